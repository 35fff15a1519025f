// Windows and OS/2 bitmap files: the 12-byte OS/2 core header, the 16- and
// 64-byte OS/2 2.x headers, BITMAPINFOHEADER (40) and the 52-, 56-, 108- (V4)
// and 124-byte (V5) headers; 1, 4, 8, 16, 24 and 32 bits a pixel; BI_RGB, RLE8,
// RLE4 and BITFIELDS; rows bottom-up or top-down; short colour tables. A 1-, 4-
// or 8-bit file keeps its depth, its own palette and its packed indices.
#pragma once

#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/PictureLoader.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace quillmere {

// Throws FileError (naming file) for a damaged or unsupported bitmap. Alpha
// masks are ignored, as the surface has no alpha; colour profiles too. Pixels
// that an RLE stream skips take palette entry 0; runs past the picture's edge
// are cut off.
DecodedPicture ReadBmp(std::span<const std::uint8_t> data, const std::string& file,
                       const DecodeLimits& limits);

// The header of the bitmap file of fileSize bytes that stream reads from its
// start, with the refusals ReadBmp makes before it reads a pixel. An RLE
// stream is not read.
PictureHeader ReadBmpHeader(std::FILE* stream, std::int64_t fileSize, const std::string& file,
                            const DecodeLimits& limits);

} // namespace quillmere
