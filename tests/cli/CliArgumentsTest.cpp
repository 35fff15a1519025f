// How every command takes its arguments: file names as bytes, whatever their
// encoding, printed readably; "--" before names that start with "-"; set
// numbers as a person types them.
#include "support/PictureFixtures.h"
#include "support/RunProgram.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Describe;
using testing::ProgramResult;

// "é" in Latin-1: a byte that is not valid UTF-8 on its own.
const std::string kLatin1E = "\xe9";

class CliArguments : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("cli-arguments-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // Any picture serves: these tests are about the names.
        testing::WriteBytes(dir_ / "picture.bmp",
                            testing::BmpFile(4, 2, 8, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, {0, 1, 2, 3, 3, 2, 1, 0}));
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the program in dir_ and waits for it to end, however long a
    // sanitized build on a busy machine takes (up to testing::kChildTimeout).
    ProgramResult Quillmere(std::vector<std::string> args) const
    {
        args.insert(args.begin(), QUILLMERE_EXE);
        return testing::RunProgram(args, dir_,
                                   {.environment = {{"HOME", dir_.string()},
                                                    {"XDG_DATA_HOME", std::nullopt},
                                                    {"QUILLMERE_DRIVE_C", std::nullopt}},
                                    .workingDirectory = dir_});
    }
    std::string At(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

TEST_F(CliArguments, NamesThatAreNotUtf8ReachTheFileSystemUnchanged)
{
    fs::copy_file(dir_ / "picture.bmp", dir_ / ("in" + kLatin1E + ".bmp"));
    const ProgramResult convert = Quillmere({"convert", At("in" + kLatin1E + ".bmp"), At("lat1" + kLatin1E + ".sys")});
    ASSERT_EQ(convert.status, 0) << convert.err;
    EXPECT_TRUE(fs::exists(dir_ / ("lat1" + kLatin1E + ".sys")));
    EXPECT_FALSE(fs::exists(dir_ / "lat1\xef\xbf\xbd.sys")) << "the name was decoded and re-encoded";

    // Printed with the odd byte spelled out; valid UTF-8 ("ü") stays as it is.
    const ProgramResult info = Quillmere({"info", At("lat1" + kLatin1E + ".sys"), At("m\xc3\xbc\x01.gif")});
    EXPECT_EQ(info.status, 1);
    EXPECT_EQ(info.out, At("lat1") + "\\xe9.sys: 320x400x8b, 126.05 KB, Valid Format\n");
    EXPECT_EQ(info.err, "quillmere info: " + At("m\xc3\xbc") + "\\x01.gif: no such file\n");
}

TEST_F(CliArguments, TheDriveFolderIsTakenAsBytesInBothSpellings)
{
    const fs::path drive = dir_ / ("drive" + kLatin1E);
    fs::create_directories(drive / "Windows");
    EXPECT_EQ(Quillmere({"--drive-c", drive.string(), "status"}).status, 0);
    EXPECT_TRUE(fs::is_directory(drive / "VH Backups"));
    const ProgramResult equals = Quillmere({"--drive-c=" + drive.string(), "status"});
    EXPECT_EQ(equals.status, 0) << equals.err;
    EXPECT_NE(equals.out.find("Drive C: is " + dir_.string() + "/drive\\xe9\n"), std::string::npos) << equals.out;
}

TEST_F(CliArguments, DoubleDashEndsTheOptions)
{
    fs::copy_file(dir_ / "picture.bmp", dir_ / "--in.bmp");
    const ProgramResult named = Quillmere({"convert", "--", "--in.bmp", "-out.sys"});
    EXPECT_EQ(named.status, 0) << Describe(named);
    EXPECT_TRUE(fs::exists(dir_ / "-out.sys"));

    // Without "--", an argument that starts with "-" is an option the command does not know.
    const ProgramResult unknown = Quillmere({"convert", "--in.bmp", "out.sys"});
    EXPECT_EQ(unknown.status, 2) << Describe(unknown);
    EXPECT_NE(unknown.err.find("unknown option '--in.bmp'"), std::string::npos) << unknown.err;
    EXPECT_FALSE(fs::exists(dir_ / "out.sys"));
    // A lone "--" is not a file name.
    const ProgramResult lone = Quillmere({"info", "--"});
    EXPECT_EQ(lone.status, 2) << Describe(lone);
}

TEST_F(CliArguments, SetNumbersArePlainDigitsFromOneToTen)
{
    const fs::path drive = dir_ / "drive";
    fs::create_directories(drive / "Windows");
    for (const std::string number : {"+1", " 1", "1 ", "01", "0", "11", "1x", "", "-1", "0x1"}) {
        const ProgramResult r = Quillmere({"--drive-c", drive.string(), "sets", "save", number});
        EXPECT_EQ(r.status, 2) << "'" << number << "': " << Describe(r);
        EXPECT_FALSE(fs::exists(drive / "VH Backups")) << "'" << number << "' ran the command";
    }
    // Accepted; with no logo installed there is nothing to save.
    for (const std::string number : {"1", "10"}) {
        const ProgramResult r = Quillmere({"--drive-c", drive.string(), "sets", "save", number});
        EXPECT_EQ(r.status, 1) << number << ": " << Describe(r);
        EXPECT_NE(r.err.find("no logo is installed, so set " + number + " was not saved"), std::string::npos) << r.err;
    }
}

} // namespace
} // namespace quillmere
