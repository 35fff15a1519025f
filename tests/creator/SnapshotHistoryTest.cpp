// The snapshot files of the Logo Creator: names, rotation, clearing, and a
// folder where they cannot be written.
#include "creator/SnapshotHistory.h"

#include <gtest/gtest.h>
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

    std::set<std::string> Files() const
    {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.insert(e.path().filename().string());
        return names;
    }
    // The byte a snapshot was written with.
    int FirstByte(const std::string& name) const
    {
        std::ifstream in(dir / name, std::ios::binary);
        return in.get();
    }

    fs::path dir;
};

std::vector<std::uint8_t> Mark(int n) { return {static_cast<std::uint8_t>(n), 0xAB}; }

TEST_F(SnapshotTest, NamesCarryHandleAndThreeDigits)
{
    const SnapshotHistory h(dir, 1234);
    EXPECT_EQ(h.FileName(7), dir / "b1234007.dat");
    EXPECT_EQ(h.FileName(100), dir / "b1234100.dat");
}

TEST_F(SnapshotTest, HundredAndFirstPushRotates)
{
    SnapshotHistory h(dir, 9);
    std::size_t most = 0;
    for (int n = 0; n <= 100; ++n) {
        h.Push(Mark(n));
        most = std::max(most, Files().size());
    }
    // Push 101 wrote file 100, then dropped 000 and moved every file one down.
    EXPECT_EQ(h.Index(), 100);
    EXPECT_EQ(Files().size(), 100u);
    EXPECT_EQ(FirstByte("b9000.dat"), 1);
    EXPECT_EQ(FirstByte("b9099.dat"), 100);
    EXPECT_FALSE(fs::exists(dir / "b9100.dat"));

    h.Push(Mark(101));
    EXPECT_EQ(h.Index(), 100);
    EXPECT_EQ(Files().size(), 100u);
    EXPECT_EQ(FirstByte("b9000.dat"), 2);
    EXPECT_EQ(FirstByte("b9099.dat"), 101);
    EXPECT_LE(most, 101u);
}

TEST_F(SnapshotTest, ClearTakesOnlyThisWindowsFiles)
{
    SnapshotHistory mine(dir, 12);
    SnapshotHistory other(dir, 123); // its names start with "b12" too
    for (int n = 0; n < 3; ++n) {
        mine.Push(Mark(n));
        other.Push(Mark(n));
    }
    std::ofstream(dir / "b12abc.dat") << "not a snapshot";
    mine.Clear();
    EXPECT_EQ(mine.Index(), 0);
    EXPECT_EQ(Files(), (std::set<std::string>{"b123000.dat", "b123001.dat", "b123002.dat", "b12abc.dat"}));
}

TEST_F(SnapshotTest, UnwritableFolderIsSkippedQuietly)
{
    SnapshotHistory h(dir / "missing", 5);
    EXPECT_NO_THROW(h.Push(Mark(0)));
    EXPECT_NO_THROW(h.Clear());
    EXPECT_FALSE(fs::exists(dir / "missing"));
}

TEST_F(SnapshotTest, PlantedLinkIsNotFollowed)
{
    const fs::path victim = dir / "victim.txt";
    std::ofstream(victim) << "keep";
    fs::create_symlink(victim, dir / "b5000.dat");
    SnapshotHistory h(dir, 5);
    h.Push(Mark(0));
    std::ifstream in(victim);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "keep");
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
