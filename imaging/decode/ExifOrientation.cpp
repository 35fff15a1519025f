#include "imaging/decode/ExifOrientation.h"

#include <cstring>

namespace quillmere {

namespace {

class TiffReader {
public:
    TiffReader(std::span<const std::uint8_t> tiff, bool bigEndian) : tiff_(tiff), big_(bigEndian) {}

    bool u16(std::size_t at, std::uint16_t& v) const
    {
        if (at > tiff_.size() || tiff_.size() - at < 2)
            return false;
        v = big_ ? static_cast<std::uint16_t>(tiff_[at] << 8 | tiff_[at + 1])
                 : static_cast<std::uint16_t>(tiff_[at + 1] << 8 | tiff_[at]);
        return true;
    }
    bool u32(std::size_t at, std::uint32_t& v) const
    {
        std::uint16_t a, b;
        if (!u16(at, a) || !u16(at + 2, b))
            return false;
        v = big_ ? (std::uint32_t{a} << 16 | b) : (std::uint32_t{b} << 16 | a);
        return true;
    }

private:
    std::span<const std::uint8_t> tiff_;
    bool big_;
};

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;

} // namespace

std::uint8_t ReadExifOrientation(std::span<const std::uint8_t> app1) noexcept
{
    static constexpr std::uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
    if (app1.size() < 6 + 8 || std::memcmp(app1.data(), kExifId, 6) != 0)
        return 1;
    const std::span<const std::uint8_t> tiff = app1.subspan(6);
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 1;
    const TiffReader r(tiff, big);
    std::uint16_t magic, count;
    std::uint32_t ifd;
    if (!r.u16(2, magic) || magic != 42 || !r.u32(4, ifd) || !r.u16(ifd, count))
        return 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = std::size_t{ifd} + 2 + std::size_t{i} * 12;
        std::uint16_t tag, type, value;
        std::uint32_t n;
        if (!r.u16(entry, tag) || !r.u16(entry + 2, type) || !r.u32(entry + 4, n))
            return 1;
        if (tag != kOrientationTag)
            continue;
        // A single SHORT sits in the first two bytes of the value field.
        if (type != kTypeShort || n != 1 || !r.u16(entry + 8, value) || value < 1 || value > 8)
            return 1;
        return static_cast<std::uint8_t>(value);
    }
    return 1;
}

OrientationFlags OrientationForExif(std::uint8_t value) noexcept
{
    // Each value says where the stored top row and left column belong on the
    // screen. Rotate90 turns anticlockwise: the stored top row becomes the left
    // column with the stored left column at the bottom (value 8); the flips
    // then act on the turned picture.
    switch (value) {
    case 2: return {false, true, false};  // top row on top, left column right
    case 3: return {false, true, true};   // a half turn
    case 4: return {false, false, true};  // top row at the bottom, left column left
    case 5: return {true, false, true};   // top row left, left column on top
    case 6: return {true, true, true};    // top row right, left column on top: a clockwise turn
    case 7: return {true, true, false};   // top row right, left column at the bottom
    case 8: return {true, false, false};  // top row left, left column at the bottom
    default: return {};
    }
}

} // namespace quillmere
