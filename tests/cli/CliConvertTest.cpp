// "quillmere convert" and "quillmere info" end to end: what they print, their
// exit statuses, and an output file that a failure leaves alone.
#include "support/HugeClaims.h"
#include "support/PictureFixtures.h"
#include "support/RunProgram.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

using Result = testing::ProgramResult;

std::string Joined(const std::vector<std::string>& args)
{
    std::string line;
    for (const std::string& a : args)
        line += (line.empty() ? "" : " ") + a;
    return line;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("cli-convert-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        testing::JpegSpec photo;
        photo.width = 8;
        photo.height = 6;
        photo.quality = 50; // small enough to be counted in bytes
        testing::WriteBytes(dir_ / "photo.jpg", testing::EncodeJpeg(photo));
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the program with its output going to files: standard error is not a
    // terminal. A run that blocks is killed after a minute.
    Result Quillmere(std::vector<std::string> args) const
    {
        args.insert(args.begin(), QUILLMERE_EXE);
        return testing::RunProgram(args, dir_);
    }
    std::string In(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(Cli, ConvertWritesALogoAndSaysNothing)
{
    const Result r = Quillmere({"convert", In("photo.jpg"), In("logo.sys")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(fs::file_size(dir_ / "logo.sys"), 129078u);
}

TEST_F(Cli, ConvertFailsWithOneLineAndTouchesNoOutput)
{
    testing::WriteBytes(dir_ / "broken.gif", {'G', 'I', 'F', '8', '9', 'a', 1});
    testing::WriteBytes(dir_ / "old.sys", {'o', 'l', 'd'});
    struct Case {
        const char* input;
        const char* output;
        std::string mentions; // the file the message names
    };
    const Case cases[] = {
        {"missing.jpg", "new.sys", In("missing.jpg") + ": no such file"},
        {"broken.gif", "old.sys", In("broken.gif") + ": the GIF file is truncated"},
        {"photo.jpg", "no-folder/new.sys", "new.sys"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const Result r = Quillmere({"convert", In(c.input), In(c.output)});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("quillmere convert: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir_ / "new.sys"));
    EXPECT_EQ(testing::ReadBytes(dir_ / "old.sys"), (Bytes{'o', 'l', 'd'}));
}

TEST_F(Cli, InfoTellsSizeDepthFileSizeAndVerdict)
{
    ASSERT_EQ(Quillmere({"convert", In("photo.jpg"), In("logo.sys")}).status, 0);
    fs::copy_file(dir_ / "logo.sys", dir_ / "logo.SYS");
    const Result r = Quillmere({"info", In("logo.sys"), In("photo.jpg"), In("missing.bmp"), In("logo.SYS")});
    EXPECT_EQ(r.status, 1); // one file could not be read
    EXPECT_EQ(r.out, In("logo.sys") + ": 320x400x8b, 126.05 KB, Valid Format\n" + In("photo.jpg") + ": 8x6x24b, " +
                         std::to_string(fs::file_size(dir_ / "photo.jpg")) + " bytes, Wrong Format\n" +
                         In("logo.SYS") + ": 320x400x8b, 126.05 KB, Wrong Format\n");
    EXPECT_EQ(r.err, "quillmere info: " + In("missing.bmp") + ": no such file\n");
}

TEST_F(Cli, PictureSizeLimitHoldsForOneRunAndCanBeChanged)
{
    // 1001 x 1000 in a few bytes: an 8-bit RLE bitmap whose data ends at once.
    testing::WriteBytes(dir_ / "wide.bmp", testing::HugeClaims(1001, 1000).front().bytes);
    testing::WriteBytes(dir_ / "big.bmp", testing::HugeClaims(23000, 23000).front().bytes);
    // Just under the limit (127.98 megapixels): a 1 x 1 GIF picture on a huge
    // screen and an RLE bitmap whose stream ends at once, described from their headers.
    for (const testing::HugeClaim& claim : testing::HugeClaims(11313, 11313))
        testing::WriteBytes(dir_ / ("under-" + claim.kind), claim.bytes);
    testing::WriteBytes(dir_ / "old.sys", {'o', 'l', 'd'});
    const std::string refused = ": the picture is 1001 x 1000 pixels (1.001 megapixels); the limit is 1\n";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out, err;
    };
    const Case cases[] = {
        {{"info", In("wide.bmp")}, 0, In("wide.bmp") + ": 1001x1000x8b, 1.05 KB, Wrong Format\n", ""},
        {{"info", "--max-megapixels", "1", In("wide.bmp")}, 1, "", "quillmere info: " + In("wide.bmp") + refused},
        {{"info", "--max-megapixels=2", In("wide.bmp")}, 0, In("wide.bmp") + ": 1001x1000x8b, 1.05 KB, Wrong Format\n", ""},
        {{"info", In("under-gif-screen.gif"), In("under-rle8.bmp")}, 0,
         In("under-gif-screen.gif") + ": 11313x11313x1b, 35 bytes, Wrong Format\n" + In("under-rle8.bmp") +
             ": 11313x11313x8b, 1.05 KB, Wrong Format\n",
         ""},
        {{"info", In("big.bmp")}, 1, "",
         "quillmere info: " + In("big.bmp") + ": the picture is 23000 x 23000 pixels (529 megapixels); the limit is 128\n"},
        {{"convert", "--max-megapixels", "1", In("wide.bmp"), In("old.sys")}, 1, "",
         "quillmere convert: " + In("wide.bmp") + refused},
        {{"convert", In("big.bmp"), In("old.sys")}, 1, "",
         "quillmere convert: " + In("big.bmp") + ": the picture is 23000 x 23000 pixels (529 megapixels); the limit is 128\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const Result r = Quillmere(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(testing::ReadBytes(dir_ / "old.sys"), (Bytes{'o', 'l', 'd'}));
    const Result r = Quillmere({"convert", "--max-megapixels", "2", In("wide.bmp"), In("old.sys")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(fs::file_size(dir_ / "old.sys"), 129078u);
}

TEST_F(Cli, NamedPipeIsRefusedWithoutWaitingForAWriter)
{
    ASSERT_EQ(::mkfifo((dir_ / "pipe.jpg").c_str(), 0600), 0);
    const std::string refused = In("pipe.jpg") + ": is a named pipe (FIFO), not a picture file\n";
    Result r = Quillmere({"info", In("pipe.jpg")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillmere info: " + refused);
    r = Quillmere({"convert", In("pipe.jpg"), In("new.sys")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quillmere convert: " + refused);
    EXPECT_FALSE(fs::exists(dir_ / "new.sys"));
}

TEST_F(Cli, WrongArgumentsAreUsageErrors)
{
    const std::vector<std::vector<std::string>> cases = {
        {"convert"}, {"convert", "a"}, {"convert", "a", "b", "c"}, {"info"},
        // The limit in whole megapixels, plain digits, 1 to 999999.
        {"info", "--max-megapixels", "0", "a"}, {"info", "--max-megapixels=x", "a"}, {"info", "--max-megapixels", "+1", "a"},
        {"convert", "--max-megapixels", "1000000", "a", "b"}, {"convert", "--max-megapixels=", "a", "b"},
        {"info", "a", "--max-megapixels"}};
    for (const auto& args : cases) {
        const Result r = Quillmere(args);
        EXPECT_EQ(r.status, 2) << args.size();
        EXPECT_NE(r.err.find("Usage: quillmere " + args[0]), std::string::npos) << r.err;
    }
}

TEST_F(Cli, QualityAndFitOptionsWriteALogo)
{
    // 4 x 1, far wider than 4:3: padded, the logo is mostly pad colour above and below.
    testing::WriteBytes(dir_ / "wide.bmp", testing::BmpFile(4, 1, 24, {}, {10, 20, 30, 40, 50, 60, 70, 80, 90, 1, 2, 3}));
    const Result r = Quillmere({"convert", "--quality", "best", "--fit=pad", "--pad-colour", "12a4F6", In("wide.bmp"),
                                In("logo.sys")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const Bytes logo = testing::ReadBytes(dir_ / "logo.sys");
    ASSERT_EQ(logo.size(), 129078u);
    // The colour of logo pixel (x, y): rows are stored bottom row first after the 256-entry table.
    const auto colour = [&logo](std::size_t x, std::size_t y) {
        const std::size_t index = logo[1078 + (399 - y) * 320 + x];
        return std::uint32_t{logo[54 + index * 4 + 2]} << 16 | std::uint32_t{logo[54 + index * 4 + 1]} << 8 |
               logo[54 + index * 4];
    };
    EXPECT_EQ(colour(0, 0), 0x12A4F6u);
    EXPECT_EQ(colour(319, 399), 0x12A4F6u);
    EXPECT_EQ(colour(0, 200), 0x1E140Au);   // the picture's first pixel, blue 10, green 20, red 30
    EXPECT_EQ(colour(319, 200), 0x030201u); // and its last
}

TEST_F(Cli, WrongQualityOrFitIsAUsageError)
{
    testing::WriteBytes(dir_ / "old.sys", {'o', 'l', 'd'});
    const std::string in = In("photo.jpg"), out = In("old.sys");
    const std::vector<std::vector<std::string>> cases = {
        {"convert", "--quality", "fast", in, out}, {"convert", "--quality=", in, out},
        {"convert", "--quality=Best", in, out},     {"convert", in, out, "--quality"},
        {"convert", "--fit", "zoom", in, out},      {"convert", "--fit=Crop", in, out},
        // Six hexadecimal digits, and only with --fit pad.
        {"convert", "--fit", "pad", "--pad-colour", "#123456", in, out},
        {"convert", "--fit", "pad", "--pad-colour=12345", in, out},
        {"convert", "--pad-colour", "123456", in, out},
        {"convert", "--fit", "crop", "--pad-colour", "123456", in, out}};
    for (const auto& args : cases) {
        SCOPED_TRACE(args[1] + " " + args[2]);
        const Result r = Quillmere(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage: quillmere convert"), std::string::npos) << r.err;
    }
    EXPECT_EQ(testing::ReadBytes(dir_ / "old.sys"), (Bytes{'o', 'l', 'd'}));
}

// The animation options as a user types them: the logo's animation byte and
// border entry come out as asked, and an animated logo keeps its animation
// unless told otherwise.
TEST_F(Cli, AnimationOptionsReachTheLogo)
{
    testing::WriteBytes(dir_ / "animated.sys", testing::AnimatedLogoFile(236, 16));
    struct Case {
        std::vector<std::string> options;
        const char* input;
        std::uint32_t byte50;
        std::uint32_t entry0; // 0xRRGGBB, or ~0 for any
    };
    const Case cases[] = {
        {{"--animation", "band"}, "photo.jpg", 236, ~0u},
        {{"--animation=band", "--animated-entries", "64", "--band-height=1", "--band-colours", "FF0000,00ff00"},
         "photo.jpg", 192, ~0u},
        {{"--border-colour", "C0FFEE"}, "photo.jpg", 0, 0xC0FFEE},
        {{}, "animated.sys", 236, ~0u},
        {{"--animation", "none"}, "animated.sys", 0, ~0u},
        {{"--animation", "keep", "--border-colour", "000000"}, "animated.sys", 236, 0x000000},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"convert"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.insert(args.end(), {In(c.input), In("logo.sys")});
        SCOPED_TRACE(Joined(args));
        const Result r = Quillmere(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const Bytes logo = testing::ReadBytes(dir_ / "logo.sys");
        ASSERT_EQ(logo.size(), 129078u);
        EXPECT_EQ(logo[50] | logo[51] << 8, c.byte50);
        if (c.entry0 != ~0u) {
            EXPECT_EQ(std::uint32_t{logo[56]} << 16 | std::uint32_t{logo[55]} << 8 | logo[54], c.entry0);
        }
    }
}

TEST_F(Cli, WrongAnimationOptionsAreUsageErrors)
{
    testing::WriteBytes(dir_ / "old.sys", {'o', 'l', 'd'});
    testing::WriteBytes(dir_ / "animated.sys", testing::AnimatedLogoFile(236, 16));
    const std::string in = In("photo.jpg"), out = In("old.sys");
    const std::vector<std::vector<std::string>> cases = {
        {"convert", "--animation", "spin", in, out},
        {"convert", "--animation", "band", "--band-height", "0", in, out},
        {"convert", "--animation", "band", "--band-height", "101", in, out},
        {"convert", "--animation", "band", "--animated-entries", "1", in, out},
        {"convert", "--animation", "band", "--animated-entries", "65", in, out},
        {"convert", "--animation", "band", "--band-colours", "FF0000", in, out},
        {"convert", "--animation", "band", "--band-colours", "FF0000,00FF00,", in, out},
        {"convert", "--animation", "band", "--band-colours", "1,2,3,4,5,6,7,8,9", in, out},
        {"convert", "--animation", "band", "--band-colours", "FF0000,GG0000", in, out},
        {"convert", "--border-colour", "automatic", in, out},
        // The band's options go with the band alone.
        {"convert", "--band-height", "16", in, out},
        {"convert", "--animation", "keep", "--animated-entries", "20", in, out},
        // Nothing to keep, and pixels that cropping or padding would move.
        {"convert", "--animation", "keep", in, out},
        {"convert", "--fit", "crop", In("animated.sys"), out},
        {"convert", "--animation", "keep", "--fit", "pad", In("animated.sys"), out}};
    for (const auto& args : cases) {
        SCOPED_TRACE(Joined(args));
        const Result r = Quillmere(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("Usage: quillmere convert"), std::string::npos) << r.err;
    }
    EXPECT_EQ(testing::ReadBytes(dir_ / "old.sys"), (Bytes{'o', 'l', 'd'}));
}

} // namespace
} // namespace quillmere
