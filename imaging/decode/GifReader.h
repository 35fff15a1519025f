// GIF files through giflib: the first picture of the file, on its logical
// screen. Its colour table (the picture's own, else the file's global one)
// becomes the palette and its pixels the indices, at 1, 4 or 8 bits: the
// smallest depth that holds the colour table.
#pragma once

#include "imaging/decode/DecodedPicture.h"
#include "imaging/decode/PictureLoader.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace quillmere {

// The screen around a picture smaller than it takes the background colour
// index; a picture reaching past the screen enlarges it. Transparency is not
// applied: a transparent pixel keeps its colour table entry. An index past the
// end of the colour table (damaged files) is kept and shows black; the depth
// then grows to hold it. Throws FileError for a damaged or truncated file and
// for a file without a picture or a colour table.
DecodedPicture ReadGif(std::span<const std::uint8_t> data, const std::string& file, const DecodeLimits& limits);

// The screen and depth of the GIF file of fileSize bytes that stream reads from
// its start, from its descriptors and colour tables up to the first picture's,
// with the refusals ReadGif makes before it decodes a pixel. The depth is the
// one its colour table and background need.
PictureHeader ReadGifHeader(std::FILE* stream, std::int64_t fileSize, const std::string& file,
                            const DecodeLimits& limits);

} // namespace quillmere
