// What the picture readers share: the size rule, pixel memory, and turning
// palette indices into the surface's pixels.
#pragma once

#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/PictureLoader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillmere::decode {

// Throws FileError unless width and height are above 0, width * height is at
// most limits.MaxPixels ("the picture is 23000 x 23000 pixels (529
// megapixels); the limit is 128"), and the 32-bit surface of width * 4 * height
// bytes stays within limits.MaxSurfaceBytes (and so fits a signed 32-bit count).
void CheckPictureSize(const std::string& file, std::int64_t width, std::int64_t height,
                      const DecodeLimits& limits);

// A pixel count in megapixels, exactly: "529", "128.000001".
std::string Megapixels(std::int64_t pixels);

struct FreeBytes {
    void operator()(std::uint8_t* p) const noexcept;
};
using ZeroedBytes = std::unique_ptr<std::uint8_t[], FreeBytes>;

// bytes bytes that read as 0. Fresh memory from the system is already zero, so
// only the pages a decoder writes cost memory. FileError when there is not enough.
ZeroedBytes AllocateZeroed(const std::string& file, std::size_t bytes);

// Uninitialised memory for width * height pixel words, to be filled as fill
// says; FileError when there is not enough. Call CheckPictureSize first.
PixelMemory AllocatePixels(const std::string& file, std::int32_t width, std::int32_t height,
                           PixelFill fill = PixelFill::AsDecoded);

// Bytes of one index row at bpp bits: the bitmap-file row, filled to 4 bytes.
std::int32_t IndexRowBytes(std::int32_t width, std::int32_t bpp) noexcept;

// Index i of a packed row at 1, 4 or 8 bits (most significant bits first).
inline std::uint8_t IndexAt(const std::uint8_t* row, std::int32_t i, std::int32_t bpp) noexcept
{
    switch (bpp) {
    case 1: return (row[i >> 3] >> (7 - (i & 7))) & 1;
    case 4: return (i & 1) ? (row[i >> 1] & 0x0F) : (row[i >> 1] >> 4);
    default: return row[i];
    }
}

// Packs one index a byte (rows top-down, width * height bytes, every value
// below 2^bpp) into the bitmap-file layout at bpp bits, bottom row first. Each
// byte of the result is written once.
std::vector<std::uint8_t> PackIndices(const std::uint8_t* topDown, std::int32_t width,
                                      std::int32_t height, std::int32_t bpp);

// Completes a palette picture whose Width, Height, BitsPerPixel and Indices are
// set: colours (count entries 0x00RRGGBB, at most 2^bpp) become the ColorTable
// (2^bpp entries, the rest black) and each pixel takes its index's colour.
void FinishPalettePicture(DecodedPicture& picture, const std::uint32_t* colours, std::size_t count,
                          const std::string& file);

} // namespace quillmere::decode
