// The list of this program's temporaries: what a signal that ends a run
// removes, what it leaves, and which scratch folders a later run takes away.
#include "imaging/TemporaryPaths.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <set>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

std::set<std::string> Entries(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// How a child process ended: the signal, or -1 when it exited.
int EndingSignal(pid_t child)
{
    int status = 0;
    if (child <= 0 || ::waitpid(child, &status, 0) != child)
        return -2;
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

class SignalCleanup : public ::testing::TestWithParam<int> {};

// Each ending signal removes a listed file (by folder descriptor) and a listed
// folder with the files in it, keeps what was forgotten, and the run still
// dies of that signal.
TEST_P(SignalCleanup, RemovesWhatIsListedAndDiesOfTheSignal)
{
    const int signal = GetParam();
    const TempDir dir;
    const fs::path scratch = dir.Path() / "quillmere-abc123";
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit noCore{0, 0}; // SIGQUIT dumps core by default
        ::setrlimit(RLIMIT_CORE, &noCore);
        RemoveTemporariesOnSignals();
        const int folder = ::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY);
        Touch(dir.Path() / ".qm0000abcd");
        RegisterTemporary(folder, ".qm0000abcd", TemporaryKind::File);
        Touch(dir.Path() / "renamed");
        RegisterTemporary(folder, "renamed", TemporaryKind::File);
        ForgetTemporary(folder, "renamed");
        fs::create_directory(scratch);
        Touch(scratch / "mtoolsrc");
        Touch(scratch / "staged");
        RegisterTemporary(AT_FDCWD, scratch.native(), TemporaryKind::Folder);
        ::raise(signal);
        ::_exit(0);
    }
    EXPECT_EQ(EndingSignal(child), signal);
    EXPECT_EQ(Entries(dir.Path()), std::set<std::string>{"renamed"});
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, SignalCleanup, ::testing::Values(SIGINT, SIGTERM, SIGHUP, SIGQUIT),
                         [](const auto& info) { return std::string(::sigabbrev_np(info.param)); });

// A child forked by the run (the FAT tools, before their exec) that receives
// the signal leaves the run's temporaries alone: the run still uses them.
TEST(SignalCleanupInChild, LeavesTheParentsTemporaries)
{
    const TempDir dir;
    const fs::path file = dir.Path() / ".qm12345678";
    const pid_t child = ::fork();
    if (child == 0) {
        RemoveTemporariesOnSignals();
        Touch(file);
        RegisterTemporary(AT_FDCWD, file.native(), TemporaryKind::File);
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::raise(SIGTERM);
            ::_exit(0);
        }
        ::_exit(EndingSignal(grandchild) == SIGTERM && fs::exists(file) ? 0 : 1);
    }
    EXPECT_EQ(EndingSignal(child), -1);
    EXPECT_TRUE(fs::exists(file));
}

// Which folders in the temporary folder a later run removes: only unlocked
// scratch folders of the exact name, never a link, a locked one or anything
// without the lock file.
TEST(StaleScratchFolders, OnlyThoseOfRunsThatAreGoneAreRemoved)
{
    const TempDir dir;
    const TempDir elsewhere;
    const auto scratch = [&](const std::string& name) {
        fs::create_directory(dir.Path() / name);
        Touch(dir.Path() / name / "mtoolsrc");
        Touch(dir.Path() / name / "lock");
        return dir.Path() / name;
    };
    scratch("quillmere-Ab12z9"); // its run is gone: removed
    scratch("quillmere-Ab12z90"); // one character more: not ours
    scratch("quillmere-Ab12z"); // one fewer
    scratch("quillmere-Ab-2z9"); // not a letter or digit
    const fs::path live = scratch("quillmere-live01");
    const int held = ::open((live / "lock").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    fs::create_directory(dir.Path() / "quillmere-nolock");
    Touch(dir.Path() / "quillmere-nolock" / "staged");
    // A link of the right name to an unlocked scratch folder elsewhere.
    fs::create_directory(elsewhere.Path() / "target");
    Touch(elsewhere.Path() / "target" / "lock");
    Touch(elsewhere.Path() / "target" / "precious");
    fs::create_directory_symlink(elsewhere.Path() / "target", dir.Path() / "quillmere-link01");
    // Unlocked, but with a folder inside that is not ours to empty; an empty
    // one (a mount point left) goes.
    fs::create_directories(scratch("quillmere-inner1") / "sub" / "more");
    fs::create_directories(scratch("quillmere-mount1") / "mount");

    RemoveStaleScratchFolders(dir.Path());
    ::close(held);

    EXPECT_EQ(Entries(dir.Path()),
              (std::set<std::string>{"quillmere-Ab12z90", "quillmere-Ab12z", "quillmere-Ab-2z9", "quillmere-live01",
                                     "quillmere-nolock", "quillmere-link01", "quillmere-inner1"}));
    EXPECT_EQ(Entries(live), (std::set<std::string>{"lock", "mtoolsrc"}));
    EXPECT_EQ(Entries(elsewhere.Path() / "target"), (std::set<std::string>{"lock", "precious"}));
    EXPECT_EQ(Entries(dir.Path() / "quillmere-inner1"), std::set<std::string>{"sub"});
}

// A folder claimed by a run stays while the run lives and is removed once it
// ended without removing it (SIGKILL).
TEST(StaleScratchFolders, AClaimedFolderIsRemovedOnlyOnceItsRunIsGone)
{
    const TempDir dir;
    int ready[2], finish[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(finish), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(finish[1]);
        std::string path = (dir.Path() / "quillmere-XXXXXX").string();
        if (!::mkdtemp(path.data()))
            ::_exit(1);
        ClaimScratchFolder(path);
        Touch(fs::path(path) / "staged");
        char c = 'r';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(finish[0], &c, 1); // until the test has looked
        ::_exit(0); // as SIGKILL would: nothing is removed
    }
    ::close(ready[1]);
    ::close(finish[0]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    RemoveStaleScratchFolders(dir.Path());
    EXPECT_EQ(Entries(dir.Path()).size(), 1u) << "the live run's folder was removed";
    ::close(finish[1]);
    EXPECT_EQ(EndingSignal(child), -1);
    ::close(ready[0]);
    RemoveStaleScratchFolders(dir.Path());
    EXPECT_TRUE(Entries(dir.Path()).empty());
}

} // namespace
} // namespace quillmere
