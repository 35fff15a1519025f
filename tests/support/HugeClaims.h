// Tiny picture files whose headers claim a picture of any size, one for each
// way a reader learns the size: RLE8, RLE4 and uncompressed bitmaps, a GIF's
// screen and its image, baseline and progressive JPEG frame headers. Their data
// is a few bytes at most, so a reader that trusts the header before checking it
// allocates for nothing. Link JPEG::JPEG and GIF::GIF to use them.
#pragma once

#include "support/PictureFixtures.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillmere::testing {

struct HugeClaim {
    std::string kind; // also a file name: rle8.bmp, gif-image.gif, ...
    Bytes bytes;
};

// The JPEG's frame header (baseline SOF0 or progressive SOF2) made to say width x height.
inline Bytes JpegWithSize(Bytes b, std::uint16_t width, std::uint16_t height)
{
    for (std::size_t i = 2; i + 9 < b.size(); ++i) {
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + 5] = static_cast<std::uint8_t>(height >> 8), b[i + 6] = static_cast<std::uint8_t>(height);
            b[i + 7] = static_cast<std::uint8_t>(width >> 8), b[i + 8] = static_cast<std::uint8_t>(width);
            return b;
        }
    }
    throw std::runtime_error("no frame header in the JPEG fixture");
}

// A GIF of one 1 x 1 picture on a 1 x 1 screen, 2 colours.
inline Bytes OnePixelGif()
{
    GifSpec s;
    s.screenWidth = s.screenHeight = s.width = s.height = 1;
    s.globalColours = {0x000000, 0xFFFFFF};
    s.indices = {1};
    return EncodeGif(s);
}

// Where the first image descriptor (0x2C) of OnePixelGif() starts: after the
// 13-byte header and screen descriptor and the global colour table.
inline std::size_t GifImageDescriptorAt(const Bytes& gif)
{
    const std::size_t table = (gif[10] & 0x80) ? 3u << ((gif[10] & 7) + 1) : 0;
    return 13 + table;
}

// The GIF's picture (not its screen) made to say width x height; its data still
// holds one pixel.
inline Bytes GifImageClaiming(std::uint16_t width, std::uint16_t height)
{
    Bytes b = OnePixelGif();
    const std::size_t at = GifImageDescriptorAt(b);
    PutU16(b, at + 5, width), PutU16(b, at + 7, height);
    return b;
}

inline std::vector<HugeClaim> HugeClaims(std::uint16_t width, std::uint16_t height)
{
    const std::vector<std::uint32_t> colours256(256, 0x808080), colours16(16, 0x808080);
    const Bytes endOfBitmap = {0, 1};
    Bytes gifScreen = OnePixelGif();
    PutU16(gifScreen, 6, width), PutU16(gifScreen, 8, height);
    JpegSpec progressive;
    progressive.progressive = true;
    return {
        // 14 + 40 + 1024 + 2 = 1,080 bytes: a palette and one "end of bitmap" code.
        {"rle8.bmp", BmpFile(width, height, 8, colours256, endOfBitmap, 1)},
        {"rle4.bmp", BmpFile(width, height, 4, colours16, endOfBitmap, 2)},
        {"uncompressed-8bit.bmp", BmpFile(width, height, 8, {0, 0xFFFFFF}, Bytes(16))},
        {"uncompressed-24bit.bmp", BmpFile(width, height, 24, {}, Bytes(16))},
        {"gif-screen.gif", gifScreen},
        {"gif-image.gif", GifImageClaiming(width, height)},
        {"baseline.jpg", JpegWithSize(EncodeJpeg({}), width, height)},
        {"progressive.jpg", JpegWithSize(EncodeJpeg(progressive), width, height)},
    };
}

} // namespace quillmere::testing
