// The header alone gives what the whole decode gives of a picture's size,
// depth and orientation, for every format and variant the readers take.
#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "support/PictureFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::Bytes;
using testing::GifSpec;
using testing::JpegSpec;

struct HeaderCase {
    const char* name;
    std::function<Bytes()> content;
    std::int32_t width, height, bpp;
    std::uint8_t orientation;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

GifSpec Gif(int colours)
{
    GifSpec s;
    for (int i = 0; i < colours; ++i)
        s.globalColours.push_back(static_cast<std::uint32_t>(i) * 0x010101u);
    s.indices.assign(16, 1);
    return s;
}

Bytes Jpeg(const std::function<void(JpegSpec&)>& change)
{
    JpegSpec s;
    s.width = 24;
    s.height = 10;
    change(s);
    return testing::EncodeJpeg(s);
}

const HeaderCase kHeaders[] = {
    // Bitmaps: the depth as stored (the suite of real bitmaps has the rest).
    {"bmp_1bit", [] { return testing::BmpFile(9, 3, 1, {0, 0xFFFFFF}, Bytes(12)); }, 9, 3, 1, 1},
    {"bmp_24bit_top_down", [] { return testing::BmpFile(5, -2, 24, {}, Bytes(32)); }, 5, 2, 24, 1},
    {"bmp_rle8", [] { return testing::BmpFile(7, 6, 8, {0, 1, 2}, Bytes{3, 1, 0, 1}, 1); }, 7, 6, 8, 1},
    // GIF: the depth of the colour table, the local one first.
    {"gif_2_colours", [] { return testing::EncodeGif(Gif(2)); }, 4, 4, 1, 1},
    {"gif_16_colours", [] { return testing::EncodeGif(Gif(16)); }, 4, 4, 4, 1},
    {"gif_17_colours", [] { return testing::EncodeGif(Gif(17)); }, 4, 4, 8, 1},
    {"gif_local_table",
     [] {
         GifSpec s = Gif(2);
         s.localColours.assign(40, 0x123456);
         return testing::EncodeGif(s);
     },
     4, 4, 8, 1},
    // The screen around a smaller picture shows the background: its index
    // lies past the 2-entry table, and the depth holds it.
    {"gif_background_past_the_table",
     [] {
         GifSpec s = Gif(2);
         s.background = 9;
         s.left = s.top = 1;
         s.width = s.height = 2;
         s.indices.assign(4, 1);
         return testing::EncodeGif(s);
     },
     4, 4, 4, 1},
    // A picture reaching past its screen enlarges it.
    {"gif_picture_past_the_screen",
     [] {
         GifSpec s = Gif(2);
         s.left = 3, s.top = 1;
         s.width = 5, s.height = 6;
         s.indices.assign(30, 1);
         return testing::EncodeGif(s);
     },
     8, 7, 1, 1},
    {"gif_interlaced",
     [] {
         GifSpec s = Gif(2);
         s.interlace = true;
         s.width = s.screenWidth = 3;
         s.height = s.screenHeight = 11;
         s.indices.assign(33, 1);
         return testing::EncodeGif(s);
     },
     3, 11, 1, 1},
    // JPEG: 24 bits, the frame's size and the EXIF orientation, unturned.
    {"jpeg_colour", [] { return Jpeg([](JpegSpec&) {}); }, 24, 10, 24, 1},
    {"jpeg_grey", [] { return Jpeg([](JpegSpec& s) { s.components = 1; }); }, 24, 10, 24, 1},
    {"jpeg_cmyk", [] { return Jpeg([](JpegSpec& s) { s.components = 4, s.adobeMarker = true; }); },
     24, 10, 24, 1},
    {"jpeg_progressive", [] { return Jpeg([](JpegSpec& s) { s.progressive = true; }); }, 24, 10, 24, 1},
    {"jpeg_exif_6_big_endian",
     [] { return Jpeg([](JpegSpec& s) { s.exifOrientation = 6, s.exifBigEndian = true; }); }, 24, 10, 24, 6},
    {"jpeg_exif_8", [] { return Jpeg([](JpegSpec& s) { s.exifOrientation = 8; }); }, 24, 10, 24, 8},
};

class PictureHeaderTable : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(PictureHeaderTable, SaysWhatTheDecodeGives)
{
    const HeaderCase& c = GetParam();
    const auto file = std::filesystem::path(::testing::TempDir()) / (std::string("header-") + c.name);
    testing::WriteBytes(file, c.content());
    const DecodedPicture decoded = LoadPictureFile(file);
    const PictureHeader header = ReadPictureHeader(file);
    std::filesystem::remove(file);

    EXPECT_EQ(header.Width, c.width);
    EXPECT_EQ(header.Height, c.height);
    EXPECT_EQ(header.BitsPerPixel, c.bpp);
    EXPECT_EQ(header.ExifOrientation, c.orientation);
    EXPECT_EQ(header.Width, decoded.Width);
    EXPECT_EQ(header.Height, decoded.Height);
    EXPECT_EQ(header.BitsPerPixel, decoded.BitsPerPixel);
    EXPECT_EQ(header.ExifOrientation, decoded.ExifOrientation);
}

INSTANTIATE_TEST_SUITE_P(Formats, PictureHeaderTable, ::testing::ValuesIn(kHeaders),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillmere
