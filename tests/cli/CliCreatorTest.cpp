// The windows as a user starts them where there is no display (the creator
// command, and no command at all for the Logo Manager), and the other
// commands, which never need one.
#include "support/RunProgram.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>
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

// The libraries a run loads, as the dynamic loader names them (LD_DEBUG=files):
// what the program needs, and what those need in turn.
std::vector<std::string> LoadedLibraries(const std::string& loaderLog)
{
    std::vector<std::string> names;
    for (std::size_t at = loaderLog.find("file="); at != std::string::npos; at = loaderLog.find("file=", at + 1)) {
        const std::size_t end = loaderLog.find_first_of(" \t\n", at);
        names.push_back(loaderLog.substr(at + 5, end - at - 5));
    }
    return names;
}

bool WindowLibrary(const std::string& name)
{
    for (const char* part : {"Qt", "X11", "xcb", "GL", "fontconfig", "wayland"})
        if (name.find(part) != std::string::npos)
            return true;
    return false;
}

// The command line is a program over the core alone: no command loads the
// window toolkit or the display's libraries, so a headless machine needs none.
TEST_F(NoDisplayTest, CommandsLoadNoWindowLibrary)
{
    const fs::path file = scratch / "not-a-picture.bmp";
    std::ofstream(file) << "text";
    options.environment["LD_DEBUG"] = "files";
    options.environment["QT_QPA_PLATFORM"] = "offscreen"; // a display there, unused
    const std::vector<std::vector<std::string>> kCases = {
        {QUILLMERE_EXE, "--version"},
        {QUILLMERE_EXE, "--help"},
        {QUILLMERE_EXE, "info", file.string()},
        {QUILLMERE_EXE, "--drive-c", scratch.string(), "status"},
    };
    for (const auto& argv : kCases) {
        SCOPED_TRACE(argv.back());
        const auto r = testing::RunProgram(argv, scratch, options);
        const std::vector<std::string> loaded = LoadedLibraries(r.err);
        EXPECT_FALSE(loaded.empty()) << "no loader log: " << r.err;
        for (const std::string& name : loaded)
            EXPECT_FALSE(WindowLibrary(name)) << name;
    }
}

// With a display, no command and "creator" start the window program, which
// reads the same command line: here it opens the Logo Manager's drive and
// stops at its error. Without the window program, quillmere says so.
TEST_F(NoDisplayTest, WindowsAreTheWindowProgramsAndItsAbsenceIsReported)
{
    options.environment["QT_QPA_PLATFORM"] = "offscreen";
    options.environment["LD_DEBUG"] = "files";
    const fs::path missing = scratch / "no-drive";
    const auto r = testing::RunProgram({QUILLMERE_EXE, "--drive-c", missing.string()}, scratch, options);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(missing.string() + ": the drive C: folder does not exist"), std::string::npos) << r.err;
    const std::vector<std::string> loaded = LoadedLibraries(r.err);
    EXPECT_TRUE(std::any_of(loaded.begin(), loaded.end(), WindowLibrary)) << "the windows were not started";

    options.environment.erase("LD_DEBUG");
    const fs::path alone = scratch / "bin" / "quillmere";
    fs::create_directories(alone.parent_path());
    fs::copy_file(QUILLMERE_EXE, alone);
    for (const char* command : {"creator", ""}) {
        std::vector<std::string> argv = {alone.string()};
        if (*command)
            argv.emplace_back(command);
        const auto lone = testing::RunProgram(argv, scratch, options);
        EXPECT_EQ(lone.status, 1) << command << lone.err;
        EXPECT_NE(lone.err.find("quillmere: cannot start the windows ("), std::string::npos) << lone.err;
        EXPECT_NE(lone.err.find("quillmere-windows"), std::string::npos) << lone.err;
    }
}

// A copy of quillmere in a folder that other users may change must not run
// the window program beside it: anyone can make such a folder in the shared
// temporary folder and plant one there, and root may be who runs the copy.
// The same tree, once no one else may change it, runs it.
TEST_F(NoDisplayTest, AWindowProgramOthersCouldHavePlantedIsNotRun)
{
    options.environment["QT_QPA_PLATFORM"] = "offscreen";
    const fs::path shared = scratch / "shared";
    const fs::path copy = shared / "copy" / "quillmere";
    const fs::path planted = shared / "libexec" / "quillmere" / "quillmere-windows";
    const fs::path ran = scratch / "ran";
    fs::create_directories(copy.parent_path());
    fs::create_directories(planted.parent_path());
    fs::copy_file(QUILLMERE_EXE, copy);
    std::ofstream(planted) << "#!/bin/sh\n: > '" << ran.string() << "'\n";
    fs::permissions(planted, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(shared, fs::perms::all);

    const auto refused = testing::RunProgram({copy.string()}, scratch, options);
    const fs::path real = fs::canonical(shared);
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_EQ(refused.err, "quillmere: cannot start the windows (" + (real / "libexec" / "quillmere" /
                               "quillmere-windows").string() + "): the windows are not installed safely, so they "
                               "are not started: " + real.string() + " may be changed by other users (it is "
                               "writable by everyone)\n");
    EXPECT_FALSE(fs::exists(ran)) << "the planted program ran";

    fs::permissions(shared, fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
    const auto started = testing::RunProgram({copy.string()}, scratch, options);
    EXPECT_EQ(started.status, 0) << started.err;
    EXPECT_TRUE(fs::exists(ran)) << "the window program beside a safe copy did not run";
}

} // namespace
} // namespace quillmere
