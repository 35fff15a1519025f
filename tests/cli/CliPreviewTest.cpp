// "quillmere preview" end to end: options, exit statuses, messages, and an
// output that a failure never leaves behind.
#include "support/PreviewFixtures.h"

#include "support/RunProgram.h"

#include <gtest/gtest.h>
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

class CliPreview : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("cli-preview-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        testing::WriteBytes(dir_ / "logo.sys", testing::StandardLogo(236));
    }
    void TearDown() override { fs::remove_all(dir_); }

    Result Quillmere(std::vector<std::string> args) const
    {
        args.insert(args.begin(), QUILLMERE_EXE);
        return testing::RunProgram(args, dir_);
    }
    std::string In(const char* name) const { return (dir_ / name).string(); }
    bool Exists(const char* name) const { return fs::exists(dir_ / name); }

    fs::path dir_;
};

TEST_F(CliPreview, OptionsSetTheFramesAndTheirDelays)
{
    const std::string logo = In("logo.sys"), out = In("boot.gif");
    struct Case {
        std::vector<std::string> args;
        std::size_t frames;
        int delay; // of the first frame; -1: none
    };
    const Case cases[] = {
        {{logo, out}, 20, 6},
        {{"--fps", "25", logo, out}, 20, 4},
        {{logo, out, "--fps=50"}, 20, 2},
        {{"--fps", "1", logo, out}, 20, 100},
        {{"--still", logo, out}, 1, -1},
        {{logo, "--still", out, "--fps", "10"}, 1, -1},
        // After "--" everything is a file name.
        {{"--fps", "20", "--", logo, out}, 20, 5},
    };
    for (const Case& c : cases) {
        fs::remove(dir_ / "boot.gif");
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), "preview");
        const Result r = Quillmere(args);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        const testing::GifRead gif = testing::ReadGif(testing::ReadBytes(dir_ / "boot.gif"));
        ASSERT_EQ(gif.frames.size(), c.frames) << args[1];
        EXPECT_EQ(gif.frames[0].delay, c.delay) << args[1];
    }
}

TEST_F(CliPreview, AFileNamedLikeAnOptionComesAfterTheDoubleDash)
{
    fs::copy_file(dir_ / "logo.sys", dir_ / "--still");
    const Result r = Quillmere({"preview", "--", In("--still"), In("-out.gif")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testing::ReadGif(testing::ReadBytes(dir_ / "-out.gif")).frames.size(), 20u);
}

// The bitmap writer sets biClrImportant to 0, so a converted logo is still.
TEST_F(CliPreview, ALogoMadeByConvertDoesNotRotate)
{
    testing::WriteBytes(dir_ / "photo.jpg", testing::EncodeJpeg({}));
    const Result made = Quillmere({"convert", In("photo.jpg"), In("made.sys")});
    ASSERT_EQ(made.status, 0) << made.err;
    const Result r = Quillmere({"preview", In("made.sys"), In("boot.gif")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(testing::ReadGif(testing::ReadBytes(dir_ / "boot.gif")).frames.size(), 1u);
}

TEST_F(CliPreview, AWrongCommandLineIsAUsageErrorAndWritesNothing)
{
    const std::string logo = In("logo.sys"), out = In("boot.gif");
    const std::vector<std::vector<std::string>> cases = {
        {"--fps", "0", logo, out},
        {"--fps", "51", logo, out},
        {"--fps", "x", logo, out},
        {"--fps", "", logo, out},
        {"--fps", "-5", logo, out},
        {"--fps", "018", logo, out},
        {"--fps=7.5", logo, out},
        {logo, out, "--fps"},
        {"--still=yes", logo, out},
        {"--loud", logo, out},
        {logo},
        {logo, out, out},
    };
    for (std::vector<std::string> args : cases) {
        args.insert(args.begin(), "preview");
        const Result r = Quillmere(args);
        EXPECT_EQ(r.status, 2) << args[1] << "\n" << r.err;
        EXPECT_NE(r.err.find("Usage: quillmere preview"), std::string::npos) << r.err;
        EXPECT_FALSE(Exists("boot.gif")) << args[1];
    }
}

TEST_F(CliPreview, ABadLogoFailsWithOneLineNamingIt)
{
    const Bytes logo = testing::ReadBytes(dir_ / "logo.sys");
    testing::WriteBytes(dir_ / "cut.sys", Bytes(logo.begin(), logo.begin() + 2000));
    struct Case {
        const char* file;
        const char* reason;
    };
    for (const Case& c : {Case{"cut.sys", "truncated"}, Case{"gone.sys", "no such file"}}) {
        const Result r = Quillmere({"preview", In(c.file), In("boot.gif")});
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.err.rfind("quillmere preview: " + In(c.file) + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_FALSE(Exists("boot.gif")) << c.file;
    }
}

} // namespace
} // namespace quillmere
