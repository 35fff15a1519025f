#include "preview/LogoAnimation.h"

#include "imaging/Errors.h"
#include "imaging/LittleEndian.h"
#include "imaging/ReplaceFile.h"
#include "preview/BootScreen.h"

#include <cstdlib>
#include <vector>

namespace quillmere {

namespace {

constexpr std::int32_t kWidth = 320, kHeight = 400;
constexpr std::size_t kInfoAt = 14, kAnimationAt = 50, kPaletteAt = 54;
// A logo is 129078 bytes; more than this is surely not one.
constexpr std::size_t kLargest = 1u << 20;

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) { return ReadLe32(b.data() + at); }

// The offset of the first pixel row; throws FileError when the bytes are not
// an 8-bit uncompressed 320 x 400 bitmap whose pixels are all in the file.
std::size_t CheckLogo(const std::vector<std::uint8_t>& b, const std::string& name)
{
    if (b.size() < kPaletteAt || b[0] != 'B' || b[1] != 'M')
        throw FileError(name, "it is not a bitmap file");
    const std::uint32_t infoSize = Le32(b, kInfoAt);
    if (infoSize < 40)
        throw FileError(name, "it is a bitmap of an old kind (OS/2), not an 8-bit logo");
    const auto width = static_cast<std::int32_t>(Le32(b, 18));
    const auto height = static_cast<std::int32_t>(Le32(b, 22));
    const std::uint32_t bits = b[28] | b[29] << 8;
    const std::uint32_t compression = Le32(b, 30);
    if (bits != 8)
        throw FileError(name, "it has " + std::to_string(bits) + " bits per pixel, not 8");
    if (compression != 0)
        throw FileError(name, "it is compressed; a logo's pixels are stored plain");
    if (width != kWidth || (height != kHeight && height != -kHeight))
        throw FileError(name, "it is " + std::to_string(width) + " x " +
                                  std::to_string(std::abs(static_cast<std::int64_t>(height))) + " pixels, not 320 x 400");
    const std::uint32_t offset = Le32(b, 10);
    if (offset < kInfoAt + infoSize || offset > b.size() || b.size() - offset < std::size_t{kWidth} * kHeight)
        throw FileError(name, "it is cut short: its pixels are not all in the file");
    return offset;
}

} // namespace

LogoAnimation AnimateLogo(const std::filesystem::path& logo, std::optional<std::int32_t> first)
{
    // Read and replaced through one folder descriptor: the file written is the
    // file read, even where a link is changed in between.
    FileToChange file = ReadFileToChange(logo, kLargest, "it is too large to be a logo");
    std::vector<std::uint8_t>& bytes = file.bytes;
    const std::size_t pixelsAt = CheckLogo(bytes, logo.string());
    if (first) {
        const auto value = static_cast<std::uint32_t>(*first);
        for (int i = 0; i < 4; ++i)
            bytes[kAnimationAt + i] = static_cast<std::uint8_t>(value >> (8 * i));
        ReplaceReadFile(file, bytes);
    }
    LogoAnimation animation;
    animation.first = FirstAnimatedEntry(Le32(bytes, kAnimationAt));
    if (animation.first > 0)
        for (std::size_t i = 0; i < std::size_t{kWidth} * kHeight; ++i)
            animation.pixels += bytes[pixelsAt + i] >= animation.first;
    return animation;
}

std::string DescribeAnimation(const LogoAnimation& a)
{
    if (a.first == 0)
        return "the logo is still: no entry rotates";
    const bool one = a.first == 255;
    const std::string entries = one ? "entry 255 rotates" : "entries " + std::to_string(a.first) + " to 255 rotate";
    if (a.pixels == 0)
        return entries + ", but no pixel uses " + (one ? "it" : "them") + ", so nothing moves";
    return entries + "; " + std::to_string(a.pixels) + (a.pixels == 1 ? " pixel uses " : " pixels use ") +
           (one ? "it" : "them");
}

} // namespace quillmere
