// The animation byte changed in place: the file written is the file read, and
// it keeps everything but bytes 50 to 53.
#include "imaging/Errors.h"
#include "imaging/ReplaceFile.h"
#include "preview/LogoAnimation.h"
#include "support/PictureFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// Run at ReplaceStep::FileRead: between the read of the logo and its replace.
std::function<void()> g_betweenReadAndReplace;

void OnStep(ReplaceStep step)
{
    if (step == ReplaceStep::FileRead && g_betweenReadAndReplace)
        g_betweenReadAndReplace();
}

class LogoAnimationTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ObserveReplaceSteps(nullptr);
        g_betweenReadAndReplace = nullptr;
    }
    // The names in the folder, for temporary files left behind.
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    TempDir dir;
    const fs::path logo = dir.Path() / "logo.sys";
    const Bytes original = testing::AnimatedLogoFile(0, 16);
};

// The logo's name is swapped (one atomic exchange) for another entry after the
// logo was read: the replace must not write through the name to whatever it
// now names, and nothing anywhere changes.
TEST_F(LogoAnimationTest, ANameSwappedBetweenReadAndReplaceIsRefusedAndNothingChanges)
{
    fs::create_directories(dir.Path() / "victim");
    const fs::path victim = dir.Path() / "victim" / "target.txt";
    const Bytes victimBytes = {'k', 'e', 'e', 'p'};
    struct Case {
        const char* title;
        std::function<void(const fs::path&)> make; // makes the entry swapped in
    };
    const Case cases[] = {
        {"a link to another file", [&](const fs::path& p) { fs::create_symlink(victim, p); }},
        {"another logo", [&](const fs::path& p) { testing::WriteBytes(p, testing::AnimatedLogoFile(7, 0)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        testing::WriteBytes(logo, original);
        testing::WriteBytes(victim, victimBytes);
        const fs::path swap = dir.Path() / "swap";
        c.make(swap);
        const Bytes swappedIn = fs::is_symlink(swap) ? Bytes{} : testing::ReadBytes(swap);
        g_betweenReadAndReplace = [&] {
            ASSERT_EQ(::renameat2(AT_FDCWD, logo.c_str(), AT_FDCWD, swap.c_str(), RENAME_EXCHANGE), 0)
                << std::strerror(errno);
        };
        ObserveReplaceSteps(&OnStep);
        try {
            AnimateLogo(logo, 240);
            ADD_FAILURE() << "the logo was replaced through a swapped name";
        } catch (const FileError& e) {
            EXPECT_EQ(e.file(), logo.string());
            EXPECT_NE(e.reason().find("put in its place"), std::string::npos) << e.what();
        }
        ObserveReplaceSteps(nullptr);
        EXPECT_EQ(testing::ReadBytes(victim), victimBytes);
        EXPECT_EQ(testing::ReadBytes(swap), original); // the logo, by the name it was swapped to
        if (swappedIn.empty())
            EXPECT_TRUE(fs::is_symlink(logo));
        else
            EXPECT_EQ(testing::ReadBytes(logo), swappedIn);
        EXPECT_EQ(Names(), (std::vector<std::string>{"logo.sys", "swap", "victim"}));
        fs::remove(logo);
        fs::remove(swap);
    }
}

// Only bytes 50 to 53 change: the mode, owner, group and extended attributes
// (user.DOSATTRIB holds the FAT attributes a shared folder keeps) stay.
TEST_F(LogoAnimationTest, OnlyTheAnimationBytesChangeNotTheModeOwnerOrAttributes)
{
    const char dosAttrib[] = "0x22";
    testing::WriteBytes(logo, original);
    // Group-writable: a mode the usual umask (022) would narrow on a new file.
    ASSERT_EQ(::chmod(logo.c_str(), 0664), 0);
    // Root may give the file away; the replace must give it back.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(logo.c_str(), 65534, 65534), 0) << std::strerror(errno);
    }
    const bool xattrs = ::setxattr(logo.c_str(), "user.DOSATTRIB", dosAttrib, sizeof dosAttrib - 1, 0) == 0;
    const int xattrError = errno;
    struct stat was {};
    ASSERT_EQ(::stat(logo.c_str(), &was), 0);

    const LogoAnimation animation = AnimateLogo(logo, 240);
    EXPECT_EQ(animation.first, 240);
    Bytes expected = original;
    testing::PutU32(expected, 50, 240);
    EXPECT_EQ(testing::ReadBytes(logo), expected);

    struct stat now {};
    ASSERT_EQ(::stat(logo.c_str(), &now), 0);
    EXPECT_EQ(now.st_mode, was.st_mode);
    EXPECT_EQ(now.st_uid, was.st_uid);
    EXPECT_EQ(now.st_gid, was.st_gid);
    if (xattrs) {
        char value[16] = {};
        const ssize_t got = ::getxattr(logo.c_str(), "user.DOSATTRIB", value, sizeof value);
        EXPECT_EQ(std::string(value, got > 0 ? static_cast<std::size_t>(got) : 0), "0x22");
    } else {
        std::printf("user extended attributes are refused here (%s): not checked\n", std::strerror(xattrError));
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{"logo.sys"}));
}

// A replace gives the name a new file, so another name of the logo would keep
// the old byte: refused, both names as they were. Only telling is fine.
TEST_F(LogoAnimationTest, AHardLinkedLogoIsRefusedAndLeftAsItIs)
{
    testing::WriteBytes(logo, original);
    fs::create_hard_link(logo, dir.Path() / "other.sys");
    try {
        AnimateLogo(logo, 240);
        ADD_FAILURE() << "a hard-linked logo was replaced";
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), logo.string());
        EXPECT_NE(e.reason().find("other names (hard links)"), std::string::npos) << e.what();
    }
    EXPECT_EQ(fs::hard_link_count(logo), 2u);
    EXPECT_EQ(testing::ReadBytes(logo), original);
    EXPECT_EQ(AnimateLogo(logo, std::nullopt).first, 0);
    EXPECT_EQ(Names(), (std::vector<std::string>{"logo.sys", "other.sys"}));
}

} // namespace
} // namespace quillmere
