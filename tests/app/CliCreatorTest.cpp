// The windows as a user starts them where there is no display (the creator
// command, and no command at all for the Logo Manager), and the other
// commands, which never need one.
#include "support/RunProgram.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

class NoDisplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        scratch = fs::temp_directory_path() / ("quillmere-headless-" + std::to_string(::getpid()));
        fs::create_directories(scratch);
        options.environment = {{"DISPLAY", std::nullopt},         {"WAYLAND_DISPLAY", std::nullopt},
                               {"QT_QPA_PLATFORM", std::nullopt}, {"HOME", scratch.string()},
                               {"XDG_CONFIG_HOME", scratch.string()}, {"XDG_DATA_HOME", scratch.string()}};
    }
    void TearDown() override { fs::remove_all(scratch); }

    fs::path scratch;
    testing::ProgramOptions options;
};

TEST_F(NoDisplayTest, CreatorSaysSoInOneLineAndPointsToTheCommandLine)
{
    const auto r = testing::RunProgram({QUILLMERE_EXE, "creator"}, scratch, options);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("quillmere convert"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
}

// No command opens the Logo Manager, which needs a display; the drive options
// change nothing about that, and help still only prints.
TEST_F(NoDisplayTest, NoCommandSaysSoInOneLine)
{
    const std::vector<std::vector<std::string>> kCases = {
        {QUILLMERE_EXE},
        {QUILLMERE_EXE, "--drive-c", scratch.string()},
    };
    for (const auto& argv : kCases) {
        const auto r = testing::RunProgram(argv, scratch, options);
        EXPECT_EQ(r.status, 1) << argv.size() << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("no display"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("quillmere --help"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    const auto help = testing::RunProgram({QUILLMERE_EXE, "--help"}, scratch, options);
    EXPECT_EQ(help.status, 0) << help.err;
    EXPECT_NE(help.out.find("Logo Manager window"), std::string::npos) << help.out;
}

TEST_F(NoDisplayTest, CreatorTakesNoArguments)
{
    const auto r = testing::RunProgram({QUILLMERE_EXE, "creator", "photo.jpg"}, scratch, options);
    EXPECT_EQ(r.status, 2) << r.err;
}

TEST_F(NoDisplayTest, OtherCommandsNeedNoDisplay)
{
    const fs::path file = scratch / "not-a-picture.bmp";
    std::ofstream(file) << "text";
    const auto r = testing::RunProgram({QUILLMERE_EXE, "info", file.string()}, scratch, options);
    // info runs and reports the file, rather than failing to start.
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("not-a-picture.bmp"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("no display"), std::string::npos) << r.err;
}

} // namespace
} // namespace quillmere
