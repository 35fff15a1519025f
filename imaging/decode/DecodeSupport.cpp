#include "imaging/decode/DecodeSupport.h"

#include "imaging/Errors.h"

#include <algorithm>
#include <cstring>

namespace quillmere::decode {

void CheckPictureSize(const std::string& file, std::int64_t width, std::int64_t height,
                      const DecodeLimits& limits)
{
    if (width <= 0 || height <= 0)
        throw FileError(file, "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                                  " pixels; width and height must be above 0");
    // Both factors are below 2^32 here, so the product cannot overflow 64 bits
    // unless it is absurd anyway: test the width alone first.
    const std::int64_t limit = std::min<std::int64_t>(limits.MaxSurfaceBytes, 2147483647);
    if (width * 4 > limit || width * 4 * height > limit)
        throw FileError(file, "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
                                  " pixels, too large to load (more than " +
                                  (limit == 2147483647 ? std::string("2 GB") : std::to_string(limit) + " bytes") +
                                  " in memory)");
}

PixelMemory AllocatePixels(const std::string& file, std::int32_t width, std::int32_t height)
{
    PixelMemory p = AllocatePixelMemory(static_cast<std::size_t>(width) * 4 * static_cast<std::size_t>(height));
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
    std::vector<std::uint8_t> packed(stride * static_cast<std::size_t>(height), 0);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* src = topDown + static_cast<std::size_t>(y) * width;
        std::uint8_t* dst = packed.data() + static_cast<std::size_t>(height - 1 - y) * stride;
        switch (bpp) {
        case 1:
            for (std::int32_t x = 0; x < width; ++x)
                dst[x >> 3] |= static_cast<std::uint8_t>((src[x] & 1) << (7 - (x & 7)));
            break;
        case 4:
            for (std::int32_t x = 0; x < width; ++x)
                dst[x >> 1] |= static_cast<std::uint8_t>((src[x] & 0x0F) << ((x & 1) ? 0 : 4));
            break;
        default:
            std::memcpy(dst, src, static_cast<std::size_t>(width));
        }
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
