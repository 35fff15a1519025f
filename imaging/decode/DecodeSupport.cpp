#include "imaging/decode/DecodeSupport.h"

#include "imaging/Errors.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace quillmere::decode {

std::string Megapixels(std::int64_t pixels)
{
    std::string text = std::to_string(pixels / 1000000);
    if (const std::int64_t rest = pixels % 1000000) {
        std::string fraction = std::to_string(rest);
        fraction.insert(0, 6 - fraction.size(), '0');
        fraction.erase(fraction.find_last_not_of('0') + 1);
        text += "." + fraction;
    }
    return text;
}

void CheckPictureSize(const std::string& file, std::int64_t width, std::int64_t height,
                      const DecodeLimits& limits)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width <= 0 || height <= 0)
        throw FileError(file, "the picture is " + size + "; width and height must be above 0");
    // No header stores a side of more than 2^31, so the product fits 64 bits.
    // The pixel limit comes first: it is the one a user can raise.
    const std::int64_t pixels = width * height;
    if (pixels > limits.MaxPixels)
        throw FileError(file, "the picture is " + size + " (" + Megapixels(pixels) + " megapixels); the limit is " +
                                  Megapixels(limits.MaxPixels));
    const std::int64_t limit = std::min<std::int64_t>(limits.MaxSurfaceBytes, 2147483647);
    if (pixels > limit / 4)
        throw FileError(file, "the picture is " + size + ", too large to load (more than " +
                                  (limit == 2147483647 ? std::string("2 GB") : std::to_string(limit) + " bytes") +
                                  " in memory)");
}

void FreeBytes::operator()(std::uint8_t* p) const noexcept { std::free(p); }

ZeroedBytes AllocateZeroed(const std::string& file, std::size_t bytes)
{
    ZeroedBytes p(static_cast<std::uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1)));
    if (!p)
        throw FileError(file, "not enough memory to decode the picture");
    return p;
}

PixelMemory AllocatePixels(const std::string& file, std::int32_t width, std::int32_t height, PixelFill fill)
{
    PixelMemory p = AllocatePixelMemory(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height), fill);
    if (!p)
        throw FileError(file, "not enough memory for a picture of " + std::to_string(width) + " x " +
                                  std::to_string(height) + " pixels");
    return p;
}

std::int32_t IndexRowBytes(std::int32_t width, std::int32_t bpp) noexcept
{
    return static_cast<std::int32_t>((std::int64_t{width} * bpp + 31) / 32 * 4);
}

std::vector<std::uint8_t> PackIndices(const std::uint8_t* topDown, std::int32_t width, std::int32_t height,
                                      std::int32_t bpp)
{
    const std::size_t stride = static_cast<std::size_t>(IndexRowBytes(width, bpp));
    // Rows are appended bottom row first into reserved memory: nothing is filled
    // ahead only to be overwritten.
    std::vector<std::uint8_t> packed;
    packed.reserve(stride * static_cast<std::size_t>(height));
    std::vector<std::uint8_t> row(stride);
    for (std::int32_t y = height - 1; y >= 0; --y) {
        const std::uint8_t* src = topDown + static_cast<std::size_t>(y) * width;
        if (bpp == 8) {
            packed.insert(packed.end(), src, src + width);
            packed.resize(packed.size() + (stride - static_cast<std::size_t>(width)), 0);
            continue;
        }
        std::fill(row.begin(), row.end(), 0);
        if (bpp == 1) {
            for (std::int32_t x = 0; x < width; ++x)
                row[x >> 3] |= static_cast<std::uint8_t>((src[x] & 1) << (7 - (x & 7)));
        } else {
            for (std::int32_t x = 0; x < width; ++x)
                row[x >> 1] |= static_cast<std::uint8_t>((src[x] & 0x0F) << ((x & 1) ? 0 : 4));
        }
        packed.insert(packed.end(), row.begin(), row.end());
    }
    return packed;
}

void FinishPalettePicture(DecodedPicture& picture, const std::uint32_t* colours, std::size_t count,
                          const std::string& file)
{
    const std::int32_t bpp = picture.BitsPerPixel;
    const std::size_t n = std::size_t{1} << bpp;
    std::uint32_t table[256] = {};
    std::copy_n(colours, std::min(count, n), table);

    picture.ColorTable.assign(n * 4, 0);
    for (std::size_t i = 0; i < n; ++i) {
        picture.ColorTable[i * 4 + 0] = static_cast<std::uint8_t>(table[i]);
        picture.ColorTable[i * 4 + 1] = static_cast<std::uint8_t>(table[i] >> 8);
        picture.ColorTable[i * 4 + 2] = static_cast<std::uint8_t>(table[i] >> 16);
    }

    const std::int32_t w = picture.Width;
    const std::int32_t h = picture.Height;
    picture.Pixels = AllocatePixels(file, w, h);
    const std::size_t stride = static_cast<std::size_t>(IndexRowBytes(w, bpp));
    for (std::int32_t y = 0; y < h; ++y) {
        const std::uint8_t* row = picture.Indices.data() + static_cast<std::size_t>(h - 1 - y) * stride;
        std::uint32_t* out = picture.Pixels.get() + static_cast<std::size_t>(y) * w;
        for (std::int32_t x = 0; x < w; ++x)
            out[x] = table[IndexAt(row, x, bpp)] & 0x00FFFFFFu;
    }
}

} // namespace quillmere::decode
