// A picture file decoded into memory: what the surface import needs of it and
// nothing more. The readers of BMP, GIF and JPEG files make one; the import of
// cDIB takes it over.
#pragma once

#include "imaging/cDIB.h"

#include <cstdint>
#include <vector>

namespace quillmere {

struct DecodedPicture {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    // As the file stores it: 1, 4 or 8 for a palette picture, 16, 24 or 32 for
    // a true-colour one (a JPEG is 24).
    std::int32_t BitsPerPixel = 0;
    // Palette pictures only: 2^BitsPerPixel entries of 4 bytes (blue, green,
    // red, 0), entries the file does not define are black.
    std::vector<std::uint8_t> ColorTable;
    // Every picture: Width * Height pixel words 0x00RRGGBB (bytes blue, green,
    // red, 0), rows top-down without gaps, the surface's own layout.
    PixelMemory Pixels;
    // Palette pictures only: the indices at BitsPerPixel bits, in the pixel-row
    // layout of a bitmap file (bottom row first, packed most significant bits
    // first, each row filled up to a multiple of 4 bytes).
    std::vector<std::uint8_t> Indices;
    // The EXIF orientation of a photo (1 to 8; 1 is upright). Only true-colour
    // pictures carry one other than 1.
    std::uint8_t ExifOrientation = 1;
    // A bitmap's biClrImportant (offset 50 of the file) as stored, for headers
    // of 40 bytes and more; 0 for every other picture.
    std::uint32_t ClrImportant = 0;

    // The depth the system records for the picture: BitsPerPixel when it is 8
    // or less, else 24.
    std::int32_t Depth() const noexcept { return BitsPerPixel <= 8 ? BitsPerPixel : 24; }
};

} // namespace quillmere
