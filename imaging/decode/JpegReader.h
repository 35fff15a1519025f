// JPEG files through libjpeg-turbo: baseline and progressive, colour,
// greyscale, CMYK and YCCK (the inverted CMYK that Adobe's marker announces
// too). The result is true colour (24 bits), decoded straight into the
// surface's pixel order, with the photo's EXIF orientation recorded.
#pragma once

#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/PictureLoader.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace quillmere {

// Throws FileError (naming file) for a damaged, truncated or unsupported JPEG
// stream, and for corrupt data the library would only warn about: the picture
// would otherwise come out partly grey without a word.
// With scaled, a photo that needs no turning (EXIF orientation 1) comes
// scaled to that size as cDIB::Resize would scale it, without the whole
// picture in memory; the size limits stay the picture's own.
DecodedPicture ReadJpeg(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits,
                        const ScaledSize* scaled = nullptr);

// The same from stream, read from where it stands a piece at a time, as far as
// the picture goes: the file is never held whole. A stream that cannot be read
// is refused as such ("cannot be read: ..."), not as a file that ends early.
DecodedPicture ReadJpeg(std::FILE* stream, const std::string& file, const DecodeLimits& limits,
                        const ScaledSize* scaled = nullptr);

// The size and EXIF orientation of the JPEG stream that stream reads from its
// start, from its markers up to the first scan, with the refusals ReadJpeg
// makes before it decodes a scan.
PictureHeader ReadJpegHeader(std::FILE* stream, const std::string& file, const DecodeLimits& limits);

} // namespace quillmere
