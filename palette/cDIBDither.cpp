#include "palette/cDIBDither.h"

#include "imaging/Errors.h"
#include "imaging/Numeric.h"

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
    return palID_.data();
}

std::uint8_t* cDIBDither::PalIDPtr() const
{
    if (palID_.empty())
        throw SubscriptError("There is no index buffer yet");
    return const_cast<std::uint8_t*>(palID_.data());
}

} // namespace quillmere
