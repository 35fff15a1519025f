#include "imaging/Errors.h"
#include "imaging/ReplaceFile.h"
#include "support/AsOrdinaryUser.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// What one fsync of this program flushed: the name its descriptor had then, and
// for a regular file its inode and content.
struct Flush {
    std::string path;
    bool regular = false;
    ino_t inode = 0;
    std::string content;
};

// While not null, every fsync is noted here.
std::vector<Flush>* g_flushes = nullptr;

} // namespace

// Every fsync of this program comes here first, the replace's among them, so a
// test sees which file was flushed and when, and the real call follows.
extern "C" int fsync(int fd)
{
    if (g_flushes) {
        Flush flush;
        char name[64], target[4096];
        std::snprintf(name, sizeof name, "/proc/self/fd/%d", fd);
        const ssize_t n = ::readlink(name, target, sizeof target);
        flush.path.assign(target, n > 0 ? static_cast<std::size_t>(n) : 0);
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
            flush.regular = true;
            flush.inode = st.st_ino;
            // The descriptor may be open for writing only: read through another.
            const int in = ::open(name, O_RDONLY | O_CLOEXEC);
            char buffer[4096];
            for (ssize_t got; in >= 0 && (got = ::read(in, buffer, sizeof buffer)) > 0;)
                flush.content.append(buffer, static_cast<std::size_t>(got));
            if (in >= 0)
                ::close(in);
        }
        g_flushes->push_back(std::move(flush));
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}

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

TEST_F(ReplaceFile, ALinkStaysAndTheFileItLeadsToIsReplacedInItsOwnFolder)
{
    fs::create_directories(dir_ / "real");
    Write(dir_ / "real" / "logo.sys", "old");
    fs::permissions(dir_ / "real" / "logo.sys", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    Write(dir_ / "real" / "ro.sys", "old");
    fs::permissions(dir_ / "real" / "ro.sys", fs::perms::owner_read);
    fs::create_symlink("real/logo.sys", dir_ / "link.sys");
    fs::create_symlink("link.sys", dir_ / "chain.sys");
    fs::create_symlink("real/ro.sys", dir_ / "ro.sys");
    fs::create_symlink("real/new.sys", dir_ / "dangling.sys");
    struct Case {
        const char* link;
        const char* file; // where it leads
        const char* content; // afterwards
        fs::perms mode;
    };
    const mode_t umask = ::umask(0);
    ::umask(umask);
    const Case cases[] = {
        {"link.sys", "real/logo.sys", "new", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read},
        {"chain.sys", "real/logo.sys", "new", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read},
        {"ro.sys", "real/ro.sys", "old", fs::perms::owner_read}, // refused as the file it leads to is read-only
        {"dangling.sys", "real/new.sys", "new", static_cast<fs::perms>(0666 & ~umask)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.link);
        Write(dir_ / "real" / "logo.sys", "old");
        try {
            ReplaceFileContents(dir_ / c.link, Bytes("new"));
        } catch (const FileError& e) {
            EXPECT_STREQ(c.content, "old") << e.what();
        }
        EXPECT_TRUE(fs::is_symlink(dir_ / c.link));
        EXPECT_EQ(Read(dir_ / c.file), c.content);
        EXPECT_EQ(fs::status(dir_ / c.file).permissions(), c.mode);
    }
    EXPECT_TRUE(Others({"real", "link.sys", "chain.sys", "ro.sys", "dangling.sys"}).empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator{}), 3);
}

TEST_F(ReplaceFile, NamesOfEveryLengthTheFileSystemTakesCanBeReplaced)
{
    for (std::size_t length : {1u, 245u, 246u, 250u, 255u}) {
        SCOPED_TRACE(length);
        const fs::path target = dir_ / std::string(length, 'n');
        Write(target, "old");
        EXPECT_NO_THROW(ReplaceFileContents(target, Bytes("new")));
        EXPECT_EQ(Read(target), "new");
        fs::remove(target);
    }
    EXPECT_TRUE(Others({}).empty());
}

std::vector<ReplaceStep> g_steps;
fs::path g_target;
std::string g_targetWhenFlushed;

void RecordStep(ReplaceStep step)
{
    g_steps.push_back(step);
    if (step == ReplaceStep::ContentFlushed)
        g_targetWhenFlushed = Read(g_target);
}

// The replace must be durable: the new content on disk before the rename makes
// it the file, and the old file never written in place, so a crash at any
// moment leaves the old content or the new one whole.
TEST_F(ReplaceFile, TheNewContentIsFlushedBeforeTheRenameAndTheOldFileIsNeverWrittenInPlace)
{
    g_target = dir_ / "logo.sys";
    const fs::path source = dir_ / "source.bmp";
    Write(source, "copied");
    const std::function<void()> replaces[] = {
        [&] { ReplaceFileContents(g_target, Bytes("new")); },
        [&] { ReplaceFileWithCopy(source, g_target, 1 << 20); },
    };
    for (const auto& replace : replaces) {
        Write(g_target, "old");
        fs::remove(dir_ / "old.sys");
        fs::create_hard_link(g_target, dir_ / "old.sys");
        g_steps.clear();
        ObserveReplaceSteps(&RecordStep);
        replace();
        ObserveReplaceSteps(nullptr);
        EXPECT_EQ(g_steps, (std::vector<ReplaceStep>{ReplaceStep::ContentFlushed, ReplaceStep::Renamed,
                                                     ReplaceStep::FolderFlushed}));
        EXPECT_EQ(g_targetWhenFlushed, "old");
        EXPECT_EQ(Read(dir_ / "old.sys"), "old"); // the old file, by its other name
        EXPECT_NE(Read(g_target), "old");
    }
    EXPECT_TRUE(Others({"logo.sys", "old.sys", "source.bmp"}).empty());
}

// The flush itself, not only the step: the temporary file beside the target is
// flushed with its whole new content while it still has its temporary name,
// and it is that file that becomes the target; the folder is flushed after.
TEST_F(ReplaceFile, TheTemporaryFileIsFlushedWholeBeforeItIsRenamedOverTheTarget)
{
    const fs::path target = dir_ / "logo.sys";
    const fs::path source = dir_ / "source.bmp";
    const std::string copied(200000, 'c');
    Write(source, copied);
    struct Case {
        const char* title;
        std::function<void()> replace;
        std::string content;
    };
    const Case cases[] = {
        {"bytes", [&] { ReplaceFileContents(target, Bytes("new")); }, "new"},
        {"copy", [&] { ReplaceFileWithCopy(source, target, 1 << 20); }, copied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        Write(target, "old");
        std::vector<Flush> flushes;
        g_flushes = &flushes;
        c.replace();
        g_flushes = nullptr;

        struct stat st {};
        ASSERT_EQ(::stat(target.c_str(), &st), 0);
        ASSERT_EQ(flushes.size(), 2u);
        const Flush& file = flushes[0];
        const std::string name = fs::path(file.path).filename().string();
        EXPECT_EQ(fs::path(file.path).parent_path(), fs::canonical(dir_));
        EXPECT_TRUE(name.size() == 11 && name.starts_with(".qm") &&
                    name.find_first_not_of("0123456789abcdef", 3) == std::string::npos)
            << file.path;
        EXPECT_TRUE(file.regular);
        EXPECT_EQ(file.inode, st.st_ino);
        EXPECT_TRUE(file.content == c.content) << file.content.size() << " bytes flushed";
        EXPECT_EQ(flushes[1].path, fs::canonical(dir_).string());
        EXPECT_FALSE(flushes[1].regular);
        EXPECT_TRUE(Read(target) == c.content);
    }
    EXPECT_TRUE(Others({"logo.sys", "source.bmp"}).empty());
}

} // namespace
} // namespace quillmere
