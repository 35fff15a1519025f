#include "imaging/Errors.h"
#include "imaging/ReplaceFile.h"
#include "support/AsOrdinaryUser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Write(const fs::path& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }

std::span<const std::uint8_t> Bytes(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

class ReplaceFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::path(::testing::TempDir()) / ("replace_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override
    {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    // Everything in the folder but the named files: temporary leftovers.
    std::vector<std::string> Others(std::initializer_list<std::string> expected) const
    {
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(dir_)) {
            const std::string name = e.path().filename().string();
            if (std::find(expected.begin(), expected.end(), name) == expected.end())
                left.push_back(name);
        }
        return left;
    }
    fs::path dir_;
};

TEST_F(ReplaceFile, ReplacesWithShorterContentAndKeepsThePermissions)
{
    const fs::path target = dir_ / "logo.sys";
    Write(target, "a much longer old content");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ReplaceFileContents(target, Bytes("new"));
    EXPECT_EQ(Read(target), "new");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    const fs::path source = dir_ / "source.bmp";
    Write(source, std::string(200000, 'x'));
    ReplaceFileWithCopy(source, target, 1 << 20);
    EXPECT_EQ(Read(target), std::string(200000, 'x'));

    // A new file gets the usual mode, the umask applied.
    const mode_t oldMask = ::umask(027);
    ReplaceFileContents(dir_ / "new.sys", Bytes("new"));
    ::umask(oldMask);
    EXPECT_EQ(fs::status(dir_ / "new.sys").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_TRUE(Others({"logo.sys", "source.bmp", "new.sys"}).empty());
}

TEST_F(ReplaceFile, FailuresLeaveTheOldFileAndNoTemporary)
{
    const fs::path target = dir_ / "logo.sys";
    Write(target, "old");
    fs::permissions(target, fs::perms::owner_read);
    try {
        ReplaceFileContents(target, Bytes("new"));
        FAIL() << "a read-only file was replaced";
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), target.string());
        EXPECT_EQ(e.reason(), "the file is read-only");
    }
    EXPECT_THROW(ReplaceFileWithCopy(dir_ / "missing.bmp", dir_ / "other.sys", 1 << 20), FileError);
    // Opens as a file but fails to read (offset 0 is not mapped): the copy fails
    // after the temporary file exists.
    EXPECT_THROW(ReplaceFileWithCopy("/proc/self/mem", dir_ / "other.sys", 1 << 20), FileError);
    EXPECT_THROW(ReplaceFileContents(dir_ / "no folder" / "logo.sys", Bytes("new")), FileError);
    EXPECT_THROW(ReplaceFileContents(target / "under a file", Bytes("new")), FileError);
    EXPECT_THROW(ReplaceFileContents(dir_, Bytes("new")), FileError);
    EXPECT_EQ(Read(target), "old");
    EXPECT_FALSE(fs::exists(dir_ / "other.sys"));
    EXPECT_TRUE(Others({"logo.sys"}).empty());
}

TEST_F(ReplaceFile, AFolderThatCannotBeWrittenIsRefused)
{
    const fs::path target = dir_ / "logo.sys";
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    auto attempt = [&] {
        try {
            ReplaceFileContents(target, Bytes("new"));
            return false;
        } catch (const FileError& e) {
            return e.file() == target.string() && !e.reason().empty();
        }
    };
    EXPECT_TRUE(testing::AsOrdinaryUser(attempt));
    EXPECT_FALSE(fs::exists(target));
}

} // namespace
} // namespace quillmere
