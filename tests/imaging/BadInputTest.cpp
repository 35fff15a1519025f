// Files that cannot be pictures: each is refused with a message that names the
// file and says what is wrong, before any large allocation. The header alone
// refuses the same way whatever is wrong in the header, and describes a file
// whose fault lies further on.
#include "imaging/Errors.h"
#include "imaging/decode/PictureLoader.h"
#include "support/PictureFixtures.h"

#include <gtest/gtest.h>

#include <array>
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

// 64 x 64 pixels of 256 colours that hardly repeat: some 4 KB of LZW data.
Bytes NoisyGif()
{
    testing::GifSpec s;
    s.screenWidth = s.screenHeight = s.width = s.height = 64;
    for (std::uint32_t i = 0; i < 256; ++i)
        s.globalColours.push_back(i * 0x010101u);
    for (std::uint32_t i = 0; i < 64 * 64; ++i)
        s.indices.push_back(static_cast<std::uint8_t>(i * 2654435761u >> 24));
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

// The JPEG fixture with its three components sampled as given (horizontal
// factor in the high nibble, vertical in the low).
Bytes WithSampling(Bytes b, const std::array<std::uint8_t, 3>& factors)
{
    for (std::size_t i = 2; i + 18 < b.size(); ++i) {
        if (b[i] == 0xFF && b[i + 1] == 0xC0 && b[i + 9] == 3) {
            for (std::size_t c = 0; c < 3; ++c)
                b[i + 11 + 3 * c] = factors[c];
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

// b with these bytes inserted after its first segment (the JFIF one).
Bytes AfterFirstSegment(Bytes b, const Bytes& inserted)
{
    const std::size_t at = 4 + (std::size_t{b[4]} << 8 | b[5]);
    b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), inserted.begin(), inserted.end());
    return b;
}

// Where the fault lies: what ReadPictureHeader sees, or only the decode.
enum class Fault { Header, Data };

struct Case {
    const char* name;
    std::function<Bytes()> content; // nullptr: no file at all
    const char* reason;             // part of the message
    Fault fault;
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
    std::string refused;
    try {
        LoadPictureFile(file);
        ADD_FAILURE() << "loaded";
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), file.string());
        EXPECT_NE(e.reason().find(c.reason), std::string::npos) << e.what();
        refused = e.what();
    }
    try {
        ReadPictureHeader(file);
        EXPECT_EQ(c.fault, Fault::Data) << "the header passed";
    } catch (const FileError& e) {
        EXPECT_EQ(c.fault, Fault::Header) << e.what();
        EXPECT_EQ(e.what(), refused);
    }
    std::filesystem::remove_all(file);
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadInput,
    ::testing::Values(
        Case{"missing", nullptr, "no such file", Fault::Header},
        Case{"empty", [] { return Bytes{}; }, "empty", Fault::Header},
        Case{"text", [] { return Bytes{'h', 'e', 'l', 'l', 'o'}; }, "not a BMP, GIF or JPEG", Fault::Header},
        // BMP
        Case{"bmp_header_cut", [] { return Bytes{'B', 'M', 0, 0}; }, "truncated", Fault::Header},
        Case{"bmp_width_0", [] { return testing::BmpFile(0, 4, 24, {}, Bytes(16)); },
             "above 0", Fault::Header},
        Case{"bmp_height_0", [] { return testing::BmpFile(4, 0, 24, {}, Bytes(16)); },
             "above 0", Fault::Header},
        Case{"bmp_too_large", [] { return testing::BmpFile(30000, 20000, 24, {}, Bytes(16)); },
             "the picture is 30000 x 20000 pixels (600 megapixels); the limit is 128", Fault::Header},
        Case{"bmp_2gb_exactly", [] { return testing::BmpFile(65536, 8192, 8, {}, Bytes(16)); },
             "the limit is 128", Fault::Header},
        Case{"bmp_pixels_cut", [] { return testing::BmpFile(4, 4, 24, {}, Bytes(40)); },
             "truncated", Fault::Header},
        Case{"bmp_rle_cut", [] { return testing::BmpFile(4, 2, 8, {0}, Bytes{4, 1, 0, 0}, 1); },
             "truncated", Fault::Data},
        // An absolute run (0, n, then n pixels) whose pixels the file ends before:
        // RLE8 six bytes with two left, RLE4 six nibbles (three bytes) with one.
        Case{"bmp_rle8_absolute_run_cut", [] { return testing::BmpFile(8, 2, 8, {0}, Bytes{0, 6, 1, 2}, 1); },
             "truncated", Fault::Data},
        Case{"bmp_rle4_absolute_run_cut", [] { return testing::BmpFile(8, 2, 4, {0}, Bytes{0, 6, 0x12}, 2); },
             "truncated", Fault::Data},
        Case{"bmp_palette_past_the_file", [] { return testing::BmpFile(4, 4, 8, {0}, Bytes(16), 0, 100000); },
             "cannot fit the file", Fault::Header},
        // 16-bit bit fields whose red mask has a gap.
        Case{"bmp_broken_mask",
             [] { return testing::BmpFile(4, 4, 16, {0x0505, 0x03E0, 0x001F}, Bytes(32), 3); },
             "corrupt BMP colour mask", Fault::Header},
        Case{"bmp_depth_7", [] { return testing::BmpFile(4, 4, 7, {}, Bytes(64)); },
             "unsupported", Fault::Header},
        // GIF
        // Cut where the picture's data begins.
        Case{"gif_cut", [] { return Cut(SmallGif(), 30); }, "GIF file is truncated", Fault::Header},
        Case{"gif_cut_in_its_data", [] { return Cut(NoisyGif(), NoisyGif().size() / 2); },
             "GIF file is truncated", Fault::Data},
        // A record that is none of ',' '!' ';'.
        Case{"gif_bad_record", [] { Bytes b = SmallGif(); b[19] = 0x99; return b; },
             "damaged GIF", Fault::Header},
        // The picture says 3000 x 3000 pixels; a few bytes of data follow.
        Case{"gif_picture_past_its_data",
             [] {
                 Bytes b = SmallGif();
                 testing::PutU16(b, 13 + 6 + 5, 3000), testing::PutU16(b, 13 + 6 + 7, 3000);
                 return b;
             },
             "bytes are left for a picture of 3000 x 3000 pixels", Fault::Header},
        Case{"gif_no_picture",
             [] {
                 Bytes b = Cut(SmallGif(), 13 + 6); // header, screen and a 2-entry colour table
                 b.push_back(0x3B);                 // then the end of the file
                 return b;
             },
             "no picture", Fault::Header},
        Case{"gif_too_large",
             [] {
                 Bytes b = SmallGif();
                 testing::PutU16(b, 6, 65535), testing::PutU16(b, 8, 65535);
                 return b;
             },
             "the limit is 128", Fault::Header},
        Case{"gif_empty_screen",
             [] {
                 testing::GifSpec s;
                 s.screenWidth = s.screenHeight = s.width = s.height = 0;
                 s.globalColours = {0, 1};
                 return testing::EncodeGif(s);
             },
             "above 0", Fault::Header},
        // JPEG
        // Cut in its tables.
        Case{"jpeg_cut", [] { return Cut(SmallJpeg(), SmallJpeg().size() / 2); },
             "the JPEG file ends early", Fault::Header},
        Case{"jpeg_cut_in_its_scan", [] { return Cut(SmallJpeg(), SmallJpeg().size() - 20); },
             "the JPEG file ends early", Fault::Data},
        Case{"jpeg_garbage", [] { return Bytes{0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3, 4, 5}; },
             "the JPEG file ends early", Fault::Header},
        Case{"jpeg_too_large", [] { return JpegClaiming(60000, 60000); }, "the limit is 128", Fault::Header},
        Case{"jpeg_width_0", [] { return JpegClaiming(0, 16); }, "damaged JPEG", Fault::Header},
        Case{"jpeg_fractional_sampling", [] { return WithSampling(SmallJpeg(), {0x31, 0x21, 0x11}); },
             "Fractional sampling", Fault::Header},
        // A frame header only past the first 4 MB, after bytes the library would
        // look at one by one, or after segments it skips: not read to its end.
        Case{"jpeg_frame_header_past_4mb_of_zeros", [] { return AfterFirstSegment(SmallJpeg(), Bytes(4 << 20)); },
             "no frame header in its first 4 MB", Fault::Header},
        Case{"jpeg_frame_header_past_4mb_of_segments",
             [] {
                 Bytes segments;
                 for (int i = 0; i < 70; ++i) {
                     const Bytes segment = {0xFF, 0xE1, 0xFF, 0xFF};
                     segments.insert(segments.end(), segment.begin(), segment.end());
                     segments.resize(segments.size() + 0xFFFD);
                 }
                 return AfterFirstSegment(SmallJpeg(), segments);
             },
             "no frame header in its first 4 MB", Fault::Header}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillmere
