// The snapshot files of the Logo Creator: their private folder, names,
// rotation, clearing, what others plant, and a folder where they cannot be
// written.
#include "creator/SnapshotHistory.h"

#include "imaging/TemporaryPaths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("quillmere-snapshots-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::set<std::string> Files(const fs::path& folder)
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.insert(e.path().filename().string());
        return names;
    }
    // The byte a snapshot was written with.
    static int FirstByte(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return in.get();
    }

    fs::path dir;
};

std::vector<std::uint8_t> Mark(int n) { return {static_cast<std::uint8_t>(n), 0xAB}; }

// A program ended by a signal (the window program killed) takes its snapshots
// with it: the pictures do not stay in the temporary folder.
TEST_F(SnapshotTest, ASignalThatEndsTheProgramRemovesTheFolder)
{
    const pid_t child = ::fork();
    if (child == 0) {
        RemoveTemporariesOnSignals();
        SnapshotHistory h(dir, 1234);
        h.Push(Mark(0));
        h.Push(Mark(1));
        ::raise(SIGTERM);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(Files(dir), std::set<std::string>{});
}

// The first push makes a folder of the window's own in the temporary folder,
// which only the user may enter; the names inside carry handle and number.
TEST_F(SnapshotTest, FirstPushMakesAPrivateFolder)
{
    SnapshotHistory h(dir, 1234);
    EXPECT_TRUE(h.Folder().empty());
    EXPECT_TRUE(Files(dir).empty());
    h.Push(Mark(0));
    const fs::path folder = h.Folder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.parent_path(), dir);
    struct stat info {};
    ASSERT_EQ(::lstat(folder.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(info.st_uid, ::getuid());
    EXPECT_EQ(h.FileName(7), folder / "b1234007.dat");
    EXPECT_EQ(h.FileName(100), folder / "b1234100.dat");
    EXPECT_EQ(Files(folder), (std::set<std::string>{"b1234000.dat"}));
    EXPECT_EQ(Files(dir), (std::set<std::string>{folder.filename().string()}));
    // Two windows with the same handle (two displays) each have their own.
    SnapshotHistory twin(dir, 1234);
    twin.Push(Mark(1));
    EXPECT_NE(twin.Folder(), folder);
    EXPECT_EQ(FirstByte(folder / "b1234000.dat"), 0);
    EXPECT_EQ(FirstByte(twin.Folder() / "b1234000.dat"), 1);
}

TEST_F(SnapshotTest, HundredAndFirstPushRotates)
{
    SnapshotHistory h(dir, 9);
    h.Push(Mark(0));
    const fs::path folder = h.Folder();
    std::size_t most = 0;
    for (int n = 1; n <= 100; ++n) {
        h.Push(Mark(n));
        most = std::max(most, Files(folder).size());
    }
    // Push 101 wrote file 100, then dropped 000 and moved every file one down.
    EXPECT_EQ(h.Index(), 100);
    EXPECT_EQ(Files(folder).size(), 100u);
    EXPECT_EQ(FirstByte(folder / "b9000.dat"), 1);
    EXPECT_EQ(FirstByte(folder / "b9099.dat"), 100);
    EXPECT_FALSE(fs::exists(folder / "b9100.dat"));

    h.Push(Mark(101));
    EXPECT_EQ(h.Index(), 100);
    EXPECT_EQ(Files(folder).size(), 100u);
    EXPECT_EQ(FirstByte(folder / "b9000.dat"), 2);
    EXPECT_EQ(FirstByte(folder / "b9099.dat"), 101);
    EXPECT_LE(most, 101u);
}

// Clear empties the folder and keeps it; Release, the destructor and a move
// onto the history remove it; the next push makes a new one.
TEST_F(SnapshotTest, ClearKeepsTheFolderReleaseRemovesIt)
{
    SnapshotHistory h(dir, 12);
    for (int n = 0; n < 3; ++n)
        h.Push(Mark(n));
    const fs::path first = h.Folder();
    h.Clear();
    EXPECT_EQ(h.Index(), 0);
    EXPECT_TRUE(fs::is_directory(first));
    EXPECT_TRUE(Files(first).empty());

    h.Push(Mark(5));
    EXPECT_EQ(h.Folder(), first);
    h.Release();
    EXPECT_TRUE(h.Folder().empty());
    EXPECT_EQ(h.Index(), 0);
    EXPECT_TRUE(Files(dir).empty());

    h.Push(Mark(6));
    const fs::path second = h.Folder();
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(FirstByte(second / "b12000.dat"), 6);
    {
        SnapshotHistory moved(std::move(h));
        EXPECT_EQ(moved.Folder(), second);
        EXPECT_TRUE(h.Folder().empty());
        h = SnapshotHistory(dir, 13);
        h.Push(Mark(7));
        EXPECT_EQ(Files(dir).size(), 2u);
        h = SnapshotHistory(dir, 14); // the folder of 13 goes
        EXPECT_EQ(Files(dir), (std::set<std::string>{second.filename().string()}));
    }
    EXPECT_TRUE(Files(dir).empty());
}

// A file of the same name already in the folder (a rename that failed) is
// replaced, not written through.
TEST_F(SnapshotTest, LeftoverFileIsReplaced)
{
    SnapshotHistory h(dir, 5);
    h.Push(Mark(0));
    const fs::path left = h.FileName(1);
    std::ofstream(left) << "left over";
    fs::create_hard_link(left, dir / "hard-link");
    h.Push(Mark(1));
    EXPECT_EQ(FirstByte(left), 1);
    EXPECT_EQ(fs::file_size(left), 2u);
    EXPECT_EQ(fs::file_size(dir / "hard-link"), 9u);
}

TEST_F(SnapshotTest, UnwritableFolderIsSkippedQuietly)
{
    SnapshotHistory h(dir / "missing", 5);
    EXPECT_NO_THROW(h.Push(Mark(0)));
    EXPECT_EQ(h.Index(), 1);
    EXPECT_TRUE(h.Folder().empty());
    EXPECT_NO_THROW(h.Clear());
    EXPECT_NO_THROW(h.Release());
    EXPECT_FALSE(fs::exists(dir / "missing"));
    // With no temporary folder at all nothing is written, least of all here.
    const fs::path here = fs::current_path();
    const std::set<std::string> before = Files(here);
    SnapshotHistory none({}, 5);
    none.Push(Mark(0));
    EXPECT_TRUE(none.Folder().empty());
    EXPECT_EQ(Files(here), before);
}

// What another user may plant at the names a shared folder would have held:
// a FIFO, a file anyone may read, a link to the user's own file. The snapshots
// never go there, and nothing waits on the FIFO.
TEST_F(SnapshotTest, EntriesPlantedAtTheNamesAreNeverTouched)
{
    ASSERT_EQ(::mkfifo((dir / "b5000.dat").c_str(), 0666), 0);
    std::ofstream(dir / "b5001.dat").flush();
    fs::permissions(dir / "b5001.dat", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                           fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
    const fs::path victim = dir / "victim.txt";
    std::ofstream(victim) << "keep";
    fs::create_symlink(victim, dir / "b5002.dat");
    const std::set<std::string> planted = Files(dir);

    SnapshotHistory h(dir, 5);
    for (int n = 0; n < 3; ++n)
        h.Push(Mark(n));
    EXPECT_EQ(Files(h.Folder()), (std::set<std::string>{"b5000.dat", "b5001.dat", "b5002.dat"}));
    EXPECT_EQ(FirstByte(h.Folder() / "b5002.dat"), 2);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(dir / "b5000.dat")));
    EXPECT_EQ(fs::file_size(dir / "b5001.dat"), 0u);
    EXPECT_EQ(fs::file_size(victim), 4u);
    h.Clear();
    h.Release();
    EXPECT_EQ(Files(dir), planted);
}

struct FolderCase {
    const char* name;
    const char* tmp;
    const char* temp;
    const char* expected;
};

class SnapshotFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(SnapshotFolderTest, PicksTheFirstThatIsSet)
{
    const FolderCase& c = GetParam();
    EXPECT_EQ(SnapshotFolder(c.tmp, c.temp, "/var/fallback"), fs::path(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Variables, SnapshotFolderTest,
                         ::testing::Values(FolderCase{"TmpFirst", "/a", "/b", "/a"},
                                           FolderCase{"EmptyTmp", "", "/b", "/b"},
                                           FolderCase{"UnsetTmp", nullptr, "/b", "/b"},
                                           // Never the current folder.
                                           FolderCase{"BothEmpty", "", "", "/var/fallback"},
                                           FolderCase{"BothUnset", nullptr, nullptr, "/var/fallback"}),
                         [](const ::testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillmere
