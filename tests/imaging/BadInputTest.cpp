// Files that cannot be pictures: each is refused with a message that names the
// file and says what is wrong, before any large allocation.
#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "support/PictureFixtures.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace quillmere {
namespace {

using testing::Bytes;

Bytes SmallJpeg()
{
    return testing::EncodeJpeg({});
}

Bytes SmallGif()
{
    testing::GifSpec s;
    s.globalColours = {0, 0xFFFFFF};
    s.indices.assign(16, 1);
    return testing::EncodeGif(s);
}

// The JPEG fixture with its frame header saying width x height.
Bytes JpegClaiming(std::uint16_t width, std::uint16_t height)
{
    Bytes b = SmallJpeg();
    for (std::size_t i = 2; i + 9 < b.size(); ++i) {
        if (b[i] == 0xFF && (b[i + 1] == 0xC0 || b[i + 1] == 0xC2)) {
            b[i + 5] = static_cast<std::uint8_t>(height >> 8), b[i + 6] = static_cast<std::uint8_t>(height);
            b[i + 7] = static_cast<std::uint8_t>(width >> 8), b[i + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    }
    return b;
}

Bytes Cut(Bytes b, std::size_t keep)
{
    b.resize(keep);
    return b;
}

struct Case {
    const char* name;
    std::function<Bytes()> content; // nullptr: no file at all
    const char* reason;             // part of the message
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class BadInput : public ::testing::TestWithParam<Case> {};

TEST_P(BadInput, IsRefusedWithTheFileAndTheReason)
{
    const Case& c = GetParam();
    const auto dir = std::filesystem::path(::testing::TempDir()) / "bad-input";
    std::filesystem::create_directories(dir);
    const auto file = dir / (std::string(c.name) + ".pic");
    std::filesystem::remove_all(file);
    if (c.content)
        testing::WriteBytes(file, c.content());
    try {
        LoadPictureFile(file);
        ADD_FAILURE() << "loaded";
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), file.string());
        EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
    }
    std::filesystem::remove_all(file);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadInput,
    ::testing::Values(
        Case{"missing", nullptr, "no such file"},
        Case{"empty", [] { return Bytes{}; }, "empty"},
        Case{"text", [] { return Bytes{'h', 'e', 'l', 'l', 'o'}; }, "not a BMP, GIF or JPEG"},
        // BMP
        Case{"bmp_header_cut", [] { return Bytes{'B', 'M', 0, 0}; }, "truncated"},
        Case{"bmp_width_0", [] { return testing::BmpFile(0, 4, 24, {}, Bytes(16)); }, "above 0"},
        Case{"bmp_height_0", [] { return testing::BmpFile(4, 0, 24, {}, Bytes(16)); }, "above 0"},
        Case{"bmp_too_large", [] { return testing::BmpFile(30000, 20000, 24, {}, Bytes(16)); },
             "the picture is 30000 x 20000 pixels (600 megapixels); the limit is 128"},
        Case{"bmp_2gb_exactly", [] { return testing::BmpFile(65536, 8192, 8, {}, Bytes(16)); }, "the limit is 128"},
        Case{"bmp_pixels_cut", [] { return testing::BmpFile(4, 4, 24, {}, Bytes(40)); }, "truncated"},
        Case{"bmp_rle_cut", [] { return testing::BmpFile(4, 2, 8, {0}, Bytes{4, 1, 0, 0}, 1); }, "truncated"},
        Case{"bmp_depth_7", [] { return testing::BmpFile(4, 4, 7, {}, Bytes(64)); }, "unsupported"},
        // GIF
        Case{"gif_cut", [] { return Cut(SmallGif(), 30); }, "GIF file is truncated"},
        Case{"gif_bad_record", [] { Bytes b = SmallGif(); b[19] = 0x99; return b; }, "damaged GIF"}, // not ',' '!' ';'
        Case{"gif_no_picture",
             [] {
                 Bytes b = Cut(SmallGif(), 13 + 6); // header, screen and a 2-entry colour table
                 b.push_back(0x3B);                 // then the end of the file
                 return b;
             },
             "no picture"},
        Case{"gif_too_large",
             [] {
                 Bytes b = SmallGif();
                 testing::PutU16(b, 6, 65535), testing::PutU16(b, 8, 65535);
                 return b;
             },
             "the limit is 128"},
        Case{"gif_empty_screen",
             [] {
                 testing::GifSpec s;
                 s.screenWidth = s.screenHeight = s.width = s.height = 0;
                 s.globalColours = {0, 1};
                 return testing::EncodeGif(s);
             },
             "above 0"},
        // JPEG
        Case{"jpeg_cut", [] { return Cut(SmallJpeg(), SmallJpeg().size() / 2); }, "damaged JPEG"},
        Case{"jpeg_garbage", [] { return Bytes{0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3, 4, 5}; }, "damaged JPEG"},
        Case{"jpeg_too_large", [] { return JpegClaiming(60000, 60000); }, "the limit is 128"},
        Case{"jpeg_width_0", [] { return JpegClaiming(0, 16); }, "damaged JPEG"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillmere
