// JPEG files through libjpeg-turbo: baseline and progressive, colour,
// greyscale, CMYK and YCCK (the inverted CMYK that Adobe's marker announces
// too). The result is true colour (24 bits), decoded straight into the
// surface's pixel order, with the photo's EXIF orientation recorded.
#pragma once

#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/PictureLoader.h"

#include <cstdint>
#include <span>
#include <string>

namespace quillmere {

// Throws FileError (naming file) for a damaged, truncated or unsupported JPEG
// stream, and for corrupt data the library would only warn about: the picture
// would otherwise come out partly grey without a word.
DecodedPicture ReadJpeg(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits);

} // namespace quillmere
