#include "palette/cDIBDither.h"

#include "imaging/Errors.h"
#include "imaging/Numeric.h"
#include "imaging/cDIB.h"

#include <string>

namespace quillmere {

std::int32_t cDIBDither::RowBytes(std::int32_t nWidth, std::int32_t nbpp)
{
    return checkedMul(checkedAdd(checkedMul(nbpp, nWidth, "row length"), 31, "row length") / 32, 4,
                      "row length");
}

std::uint8_t* cDIBDither::InitializePalID(std::int32_t nWidth, std::int32_t nHeight, std::uint8_t nbpp)
{
    if (nWidth < 1 || nHeight < 1)
        throw Error("An index buffer needs a width and height of at least 1, not " + std::to_string(nWidth)
                    + " x " + std::to_string(nHeight));
    if (nbpp < 1 || nbpp > 32)
        throw Error("An index buffer cannot have " + std::to_string(nbpp) + " bits per pixel");
    const std::int32_t stride = RowBytes(nWidth, nbpp);
    const std::int32_t size = checkedMul(stride, nHeight, "index buffer size");
    std::vector<std::uint8_t> fresh(static_cast<std::size_t>(size), 0);
    palID_.swap(fresh);
    stride_ = stride;
    width_ = nWidth;
    height_ = nHeight;
    bpp_ = nbpp;
    return palID_.data();
}

std::uint8_t* cDIBDither::PalIDPtr() const
{
    if (palID_.empty())
        throw SubscriptError("There is no index buffer yet");
    return const_cast<std::uint8_t*>(palID_.data());
}

} // namespace quillmere

namespace quillmere {

void cDIBDither::DitherToTrueColor(const cDIB& DIB)
{
    if (!DIB.hDIB())
        return;
    // One event more than there are rows: 0 to Height inclusive.
    for (std::int32_t y = 0; y <= DIB.Height(); ++y)
        RaiseProgress(y);
    RaiseProgressEnd();
}

std::int32_t cDIBDither::CountColors(const cDIB& DIB) const
{
    const std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return 0;
    // Slot of each (red, blue) pair in order of first appearance (0: not seen),
    // and per slot which greens were seen.
    constexpr std::int32_t kMaxSlots = 32767;
    std::vector<std::int16_t> pairSlot(256 * 256, 0);
    std::vector<std::uint8_t> greenSeen(static_cast<std::size_t>(kMaxSlots + 1) * 256, 0);
    std::int32_t slots = 0;
    std::int32_t count = 0;
    const std::size_t pixels = static_cast<std::size_t>(DIB.Width()) * static_cast<std::size_t>(DIB.Height());
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* px = bits + i * 4;
        std::int16_t& slot = pairSlot[(px[2] << 8) | px[0]];
        if (slot == 0) {
            if (++slots > kMaxSlots)
                return count;
            slot = static_cast<std::int16_t>(slots);
        }
        std::uint8_t& seen = greenSeen[(static_cast<std::size_t>(slot) << 8) | px[1]];
        if (!seen) {
            seen = 1;
            ++count;
        }
    }
    return count;
}

} // namespace quillmere
