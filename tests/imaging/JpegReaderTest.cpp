// JPEG: every colour layout the photos of users come in, decoded into the
// surface's pixel order, and the EXIF orientation applied by the surface.
#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/PictureFixtures.h"
#include "support/SurfaceHelpers.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::EncodeJpeg;
using testing::JpegSpec;

// Six flat 8 x 8 blocks, 3 across and 2 down: colour k = block (k % 3, k / 3).
constexpr std::uint32_t kBlocks[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFFFFFF};

std::uint8_t Channel(std::uint32_t word, int c) // c: 0 red, 1 green, 2 blue
{
    return static_cast<std::uint8_t>(word >> (16 - 8 * c));
}

bool Near(std::uint32_t got, std::uint32_t want, int tolerance)
{
    for (int c = 0; c < 3; ++c)
        if (std::abs(Channel(got, c) - Channel(want, c)) > tolerance)
            return false;
    return (got >> 24) == 0; // the reserved byte is 0
}

JpegSpec BlockPicture()
{
    JpegSpec s;
    s.width = 24;
    s.height = 16;
    s.quality = 100;
    s.sample = [](int x, int y, int c) { return Channel(kBlocks[(y / 8) * 3 + x / 8], c); };
    return s;
}

std::int32_t LoadInto(const testing::Bytes& jpeg, cDIB& dib)
{
    cDIBPal pal;
    cDIBDither dither;
    DecodedPicture p = DecodePicture(jpeg, "photo.jpg");
    return dib.CreateFromStdPicture(&p, pal, dither);
}

TEST(JpegReader, ColourLayoutsDecodeToTheSameColours)
{
    struct Case {
        const char* name;
        int components;
        bool progressive;
        bool adobe;
    };
    const Case cases[] = {
        {"baseline", 3, false, false},
        {"progressive", 3, true, false},
        {"CMYK", 4, false, false},
        {"inverted Adobe CMYK", 4, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JpegSpec s = BlockPicture();
        s.components = c.components;
        s.progressive = c.progressive;
        s.adobeMarker = c.adobe;
        if (c.components == 4) {
            // Ink = 255 - colour, no black ink; Adobe's files store 255 - ink.
            s.sample = [adobe = c.adobe](int x, int y, int k) {
                const std::uint8_t ink = k == 3 ? 0 : static_cast<std::uint8_t>(255 - Channel(kBlocks[(y / 8) * 3 + x / 8], k));
                return adobe ? static_cast<std::uint8_t>(255 - ink) : ink;
            };
        }
        cDIB dib;
        EXPECT_EQ(LoadInto(EncodeJpeg(s), dib), 24);
        ASSERT_EQ(dib.Width(), 24);
        ASSERT_EQ(dib.Height(), 16);
        const auto px = testing::GetPixels(dib);
        for (int k = 0; k < 6; ++k) {
            const std::size_t centre = static_cast<std::size_t>((k / 3) * 8 + 4) * 24 + (k % 3) * 8 + 4;
            EXPECT_TRUE(Near(px[centre], kBlocks[k], 6)) << "block " << k << ": " << std::hex << px[centre];
        }
    }
}

TEST(JpegReader, GreyscaleGivesGreyPixels)
{
    JpegSpec s;
    s.components = 1;
    s.sample = [](int x, int, int) { return static_cast<std::uint8_t>(x < 8 ? 40 : 200); };
    cDIB dib;
    EXPECT_EQ(LoadInto(EncodeJpeg(s), dib), 24);
    const auto px = testing::GetPixels(dib);
    EXPECT_TRUE(Near(px[3 * 16 + 2], 0x282828, 2));
    EXPECT_TRUE(Near(px[3 * 16 + 13], 0xC8C8C8, 2));
}

TEST(JpegReader, UnknownJfifVersionChangesNoPixel)
{
    const testing::Bytes good = EncodeJpeg(BlockPicture());
    cDIB reference;
    ASSERT_EQ(LoadInto(good, reference), 24);

    // A JFIF version the library warns about (some writers put 0.00) changes no pixel.
    testing::Bytes version = good;
    const auto jfif = std::search(version.begin(), version.end(), std::begin("JFIF"), std::end("JFIF"));
    ASSERT_NE(jfif, version.end());
    jfif[5] = 0, jfif[6] = 0; // the major and minor version after "JFIF\0"
    cDIB dib;
    EXPECT_EQ(LoadInto(version, dib), 24);
    EXPECT_EQ(testing::GetPixels(dib), testing::GetPixels(reference));
}

// CMYK becomes red, green and blue as (255 - ink) * (255 - black) / 255 (Adobe's
// inverted files store 255 - ink), rounded to nearest: no tolerance. Each case is
// one flat 8 x 8 block at quality 100, which the codec keeps exactly.
TEST(JpegReader, CmykIsRoundedExactly)
{
    struct Case {
        std::uint8_t stored[4]; // c, m, y, k as stored in the file
        std::uint32_t expected; // 0x00RRGGBB
    };
    struct Layout {
        const char* name;
        bool adobe;
        std::vector<Case> cases;
    };
    const Layout layouts[] = {
        {"plain CMYK",
         false,
         {
             {{0, 0, 0, 0}, 0xFFFFFF},         // 255 * 255 / 255; a shift by 8 gives 254
             {{127, 0, 0, 127}, 0x408080},     // 128 * 128 / 255 = 64.25
             {{254, 0, 253, 127}, 0x018001},   // 128 / 255 = 0.502 rounds up; 256 / 255 = 1.004
             {{128, 55, 200, 254}, 0x000100}, // 127 / 255 = 0.498 rounds down; 200 / 255 = 0.784 up
         }},
        {"Adobe's inverted CMYK",
         true,
         {
             {{255, 255, 255, 255}, 0xFFFFFF},
             {{128, 200, 127, 1}, 0x010100},   // 0.502, 0.784, 0.498
             {{170, 85, 3, 3}, 0x020100},      // 510 / 255 = 2 exactly; 9 / 255 = 0.035
         }},
    };
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        JpegSpec s;
        s.components = 4;
        s.adobeMarker = l.adobe;
        s.quality = 100;
        s.width = 8 * static_cast<int>(l.cases.size());
        s.height = 8;
        s.sample = [&l](int x, int, int k) { return l.cases[static_cast<std::size_t>(x / 8)].stored[k]; };
        const DecodedPicture p = DecodePicture(EncodeJpeg(s), "cmyk.jpg");
        for (std::size_t i = 0; i < l.cases.size(); ++i) {
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    ASSERT_EQ(p.Pixels[static_cast<std::size_t>(y) * s.width + i * 8 + x], l.cases[i].expected)
                        << "case " << i << " at (" << x << ", " << y << ")";
        }
    }
}

// Where stored block (sx, sy) of a 3 x 2 grid shows for each EXIF value, from
// the tag's definition of where the stored top row and left column belong.
struct Placement {
    int value;
    bool bigEndian;
};

void PrintTo(const Placement& p, std::ostream* os)
{
    *os << "orientation " << p.value << (p.bigEndian ? ", big-endian" : "");
}

class ExifOrientation : public ::testing::TestWithParam<Placement> {};

TEST_P(ExifOrientation, PhotoIsShownUpright)
{
    const int v = GetParam().value;
    JpegSpec s = BlockPicture();
    s.exifOrientation = v;
    s.exifBigEndian = GetParam().bigEndian;
    cDIB dib;
    LoadInto(EncodeJpeg(s), dib);
    const bool turned = v >= 5 && v <= 8;
    ASSERT_EQ(dib.Width(), turned ? 16 : 24);
    ASSERT_EQ(dib.Height(), turned ? 24 : 16);
    const int W = 3, H = 2; // stored grid
    const int dw = turned ? H : W, dh = turned ? W : H;
    const auto px = testing::GetPixels(dib);
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            int sx = x, sy = y;
            switch (v) {
            case 2: sx = W - 1 - x; break;
            case 3: sx = W - 1 - x, sy = H - 1 - y; break;
            case 4: sy = H - 1 - y; break;
            case 5: sx = y, sy = x; break;
            case 6: sx = y, sy = H - 1 - x; break;
            case 7: sx = W - 1 - y, sy = H - 1 - x; break;
            case 8: sx = W - 1 - y, sy = x; break;
            default: break;
            }
            const std::size_t centre = static_cast<std::size_t>(y * 8 + 4) * dib.Width() + x * 8 + 4;
            EXPECT_TRUE(Near(px[centre], kBlocks[sy * 3 + sx], 6)) << "shown block (" << x << ", " << y << "): " << std::hex << px[centre];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Values, ExifOrientation,
                         ::testing::Values(Placement{1, false}, Placement{2, false}, Placement{3, false},
                                           Placement{4, false}, Placement{5, false}, Placement{6, false},
                                           Placement{7, false}, Placement{8, false}, Placement{6, true},
                                           Placement{9, false}));

// An APP1 segment: EXIF with one orientation entry (big-endian), padded to
// size bytes of payload, or other data (XMP) of that size.
testing::Bytes App1(int orientation, std::size_t size)
{
    testing::Bytes head;
    if (orientation) {
        head = {'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1,
                0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, static_cast<std::uint8_t>(orientation), 0, 0, 0, 0, 0, 0};
    } else {
        const std::string xmp = "http://ns.adobe.com/xap/1.0/";
        head.assign(xmp.begin(), xmp.end());
        head.push_back(0);
    }
    const std::size_t length = std::max(head.size(), size) + 2; // counts its own two bytes
    testing::Bytes segment(2 + length, 0);
    segment[0] = 0xFF, segment[1] = 0xE1;
    segment[2] = static_cast<std::uint8_t>(length >> 8), segment[3] = static_cast<std::uint8_t>(length);
    std::copy(head.begin(), head.end(), segment.begin() + 4);
    return segment;
}

// Only the first EXIF block counts: others (XMP, EXIF blocks repeated by
// editors) are skipped, however many, and a file of a thousand costs no more
// memory than one. Forty blocks of 60 KB: more than fits in a buffer's read.
TEST(JpegReader, TheOrientationIsTheFirstExifBlocks)
{
    struct Case {
        const char* title;
        std::vector<int> blocks; // orientation of each APP1 in turn; 0: XMP
        std::uint8_t expected;
    };
    const Case cases[] = {
        {"XMP, then EXIF 6, then forty EXIF 3", {0, 6, 3, 3}, 6},
        // The first EXIF block says nothing: upright, whatever later ones say.
        {"EXIF with no valid orientation, then EXIF 3", {9, 3, 3}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const testing::Bytes plain = EncodeJpeg(BlockPicture());
        testing::Bytes file(plain.begin(), plain.begin() + 2); // SOI
        for (std::size_t i = 0; i < c.blocks.size(); ++i) {
            // The last kind given repeats to make forty.
            const int repeat = i + 1 == c.blocks.size() ? 40 : 1;
            for (int k = 0; k < repeat; ++k) {
                const testing::Bytes segment = App1(c.blocks[i], 60000);
                file.insert(file.end(), segment.begin(), segment.end());
            }
        }
        file.insert(file.end(), plain.begin() + 2, plain.end());

        TempDir dir;
        const auto path = dir.Path() / "photo.jpg";
        testing::WriteBytes(path, file);
        EXPECT_EQ(ReadPictureHeader(path).ExifOrientation, c.expected);
        EXPECT_EQ(DecodePicture(file, "photo.jpg").ExifOrientation, c.expected);
    }
}

// A photo scaled as it is decoded is pixel for pixel the whole photo resized
// to 320 x 400: fewer and more rows and columns than it has, every colour
// layout and subsampling, a photo to be turned (which comes whole), and a
// stream cut short, which is refused with the same words.
TEST(JpegReader, ScaledWhileDecodedIsTheResizedPicture)
{
    struct Case {
        const char* name;
        int width, height, components;
        bool progressive = false;
        bool adobe = false;
        int exifOrientation = 0;
        bool cut = false;
    };
    const Case cases[] = {
        {"wider and taller than the logo", 641, 479, 3},
        {"narrower and shorter: columns and rows repeat", 97, 51, 3},
        {"one pixel", 1, 1, 3},
        {"one row, progressive", 700, 1, 3, true},
        {"one column, greyscale", 1, 900, 1},
        {"CMYK", 333, 444, 4},
        {"inverted Adobe CMYK", 321, 401, 4, false, true},
        {"turned by its EXIF orientation", 500, 300, 3, false, false, 6},
        {"cut short", 640, 480, 3, false, false, 0, true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JpegSpec s;
        s.width = c.width;
        s.height = c.height;
        s.components = c.components;
        s.progressive = c.progressive;
        s.adobeMarker = c.adobe;
        s.exifOrientation = c.exifOrientation;
        s.sample = [](int x, int y, int k) { return static_cast<std::uint8_t>((x * 13 + y * 7 + k * 71) ^ (x * y)); };
        testing::Bytes file = EncodeJpeg(s);
        if (c.cut)
            file.resize(file.size() / 2);
        const auto path = dir.Path() / "photo.jpg";
        testing::WriteBytes(path, file);

        std::string whole, scaled;
        cDIB expected, got;
        try {
            DecodedPicture p = LoadPictureFile(path);
            cDIBPal pal;
            cDIBDither dither;
            ASSERT_EQ(expected.CreateFromStdPicture(&p, pal, dither), 24);
            expected.Resize(320, 400);
        } catch (const FileError& e) {
            whole = e.what();
        }
        try {
            DecodedPicture p = LoadPictureFileScaled(path, {320, 400});
            // Scaled unless it must be turned first.
            EXPECT_EQ(p.Width, c.exifOrientation == 6 ? c.width : 320);
            cDIBPal pal;
            cDIBDither dither;
            ASSERT_EQ(got.CreateFromStdPicture(&p, pal, dither), 24);
            got.Resize(320, 400);
        } catch (const FileError& e) {
            scaled = e.what();
        }
        EXPECT_EQ(scaled, whole);
        EXPECT_EQ(whole.empty(), !c.cut) << whole;
        if (!c.cut) {
            EXPECT_EQ(testing::GetPixels(got), testing::GetPixels(expected));
        }
    }
}

} // namespace
} // namespace quillmere
