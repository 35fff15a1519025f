// Two runs of the program started together at the first run on a drive: each
// waits for the other's start-up and operation, so the original kept is always
// the logo installed before either ran, and both succeed.
#include "support/ImageFixture.h"
#include "support/StartProgram.h"

#include "drive/DriveC.h"
#include "imaging/StopAtStep.h"
#include "imaging/UniqueFd.h"

#include <array>
#include <csignal>
#include <optional>
#include <set>

#include <sys/file.h>
#include <sys/wait.h>

namespace quillmere {
namespace {

using namespace quillmere::testing;

int Wait(pid_t child)
{
    int status = 0;
    if (child <= 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class ConcurrentRuns : public TempDrive {
protected:
    void SetUp() override
    {
        TempDrive::SetUp();
        scratch_ = root_ / "scratch";
        fs::create_directories(scratch_);
        fs::create_directories(root_ / "home");
        WriteLogo(root_ / "new1.bmp", 'n');
        WriteLogo(root_ / "new2.bmp", 'm');
    }

    // Both installs at once on drive; their exit statuses and outputs.
    std::array<std::pair<int, std::string>, 2> InstallTogether(const fs::path& drive) const
    {
        std::array<pid_t, 2> children{};
        for (int i = 0; i < 2; ++i)
            children[static_cast<std::size_t>(i)] =
                StartProgram({QUILLMERE_EXE, "--drive-c", drive.string(), "install", "startup",
                       (root_ / ("new" + std::to_string(i + 1) + ".bmp")).string()},
                      scratch_ / ("out" + std::to_string(i)), {"HOME=" + (root_ / "home").string()});
        std::array<std::pair<int, std::string>, 2> results;
        for (std::size_t i = 0; i < 2; ++i)
            results[i] = {Wait(children[i]), ReadFile(scratch_ / ("out" + std::to_string(i)))};
        return results;
    }

    fs::path scratch_;
};

TEST_F(ConcurrentRuns, OnAFolderTheOriginalKeptIsAlwaysTheOneInstalledBefore)
{
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path drive = root_ / ("drive" + std::to_string(round));
        WriteLogo(drive / "logo.sys", 'a');
        WriteLogo(drive / "Windows" / "logow.sys", 'b');
        for (const auto& [status, out] : InstallTogether(drive))
            EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(LogoFill(drive / "VH Backups" / "Logo.C1K"), 'a');
        EXPECT_EQ(LogoFill(drive / "VH Backups" / "Logow.C1K"), 'b');
        const char installed = LogoFill(drive / "logo.sys");
        EXPECT_TRUE(installed == 'n' || installed == 'm') << installed;
        if (HasFailure())
            break;
    }
}

TEST_F(ConcurrentRuns, OnADiskImageBothSucceedAndTheOriginalIsKept)
{
    QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS();
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path image = root_ / ("disk" + std::to_string(round) + ".img");
        std::ofstream(image).close();
        const std::vector<Volume> v = MakeDisk(
            image, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x06, .active = true}}, 17 * kMiB,
            scratch_);
        ASSERT_EQ(v.size(), 1u);
        ASSERT_TRUE(PutLogo(v[0], "::/LOGO.SYS", 'a', scratch_));
        for (const auto& [status, out] : InstallTogether(image))
            EXPECT_EQ(status, 0) << out;
        EXPECT_EQ(LogoFillOn(v[0], "::/VH Backups/Logo.C1K", scratch_), 'a');
        const char installed = LogoFillOn(v[0], "::/LOGO.SYS", scratch_);
        EXPECT_TRUE(installed == 'n' || installed == 'm') << installed;
        EXPECT_EQ(FsckProblem(v[0], scratch_), std::nullopt);
        if (HasFailure())
            break;
    }
}

// Runs stopped at a chosen step (QUILLMERE_STOP_AT: the program stops
// itself there) and then ended by a signal, or let go on.
class StoppedRuns : public ConcurrentRuns {
protected:
    void SetUp() override
    {
        ConcurrentRuns::SetUp();
        tmp_ = root_ / "tmp";
        fs::create_directories(tmp_);
        drive_ = root_ / "drive";
        WriteLogo(drive_ / "logo.sys", 'a');
        WriteLogo(drive_ / "Windows" / "logow.sys", 'b');
    }
    void TearDown() override
    {
        if (child_ > 0) { // a failed test leaves it stopped
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        ConcurrentRuns::TearDown();
    }

    // Starts the program on drive, with a private TMPDIR, to stop at step.
    void StartStopping(const std::string& step, std::vector<std::string> args, const fs::path& drive)
    {
        args.insert(args.begin(), {QUILLMERE_EXE, "--drive-c", drive.string()});
        child_ = StartProgram(args, scratch_ / "out",
                       {"HOME=" + (root_ / "home").string(), "TMPDIR=" + tmp_.string(), "QUILLMERE_STOP_AT=" + step});
    }

    // True once the program stopped itself; false when it ended first.
    bool Stopped()
    {
        int status = 0;
        if (::waitpid(child_, &status, WUNTRACED) != child_)
            return false;
        if (WIFSTOPPED(status))
            return true;
        child_ = 0;
        return false;
    }

    // Sends signal to the stopped program, lets it go on and waits: the
    // signal that ended it, or -1 when it exited.
    int EndWith(int signal)
    {
        ::kill(child_, signal);
        ::kill(child_, SIGCONT);
        int status = 0;
        const pid_t child = std::exchange(child_, 0);
        if (::waitpid(child, &status, 0) != child)
            return -2;
        return WIFSIGNALED(status) ? WTERMSIG(status) : (WIFEXITED(status) ? -1 - WEXITSTATUS(status) : -2);
    }

    // The hidden temporaries anywhere on the folder drive.
    std::set<std::string> Temporaries() const
    {
        std::set<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(drive_)) {
            if (e.path().filename().string().starts_with(".qm"))
                found.insert(e.path().lexically_relative(drive_).string());
        }
        return found;
    }

    std::set<std::string> InTmp() const
    {
        std::set<std::string> found;
        for (const auto& e : fs::directory_iterator(tmp_))
            found.insert(e.path().filename().string());
        return found;
    }

    fs::path tmp_;
    fs::path drive_;
    pid_t child_ = 0;
};

class KilledWhileReplacing : public StoppedRuns, public ::testing::WithParamInterface<int> {};

// Ended while a hidden temporary beside the file being saved exists, by any
// of the signals a user or the system sends to end a run: the temporary goes,
// and the run still dies of the signal.
TEST_P(KilledWhileReplacing, NoTemporaryIsLeftInTheStore)
{
    StartStopping(std::string(kStepReplaceContentFlushed), {"sets", "save", "1"}, drive_);
    ASSERT_TRUE(Stopped()) << ReadFile(scratch_ / "out");
    ASSERT_FALSE(Temporaries().empty()) << "stopped where no temporary exists";
    EXPECT_EQ(EndWith(GetParam()), GetParam()) << ReadFile(scratch_ / "out");
    EXPECT_EQ(Temporaries(), std::set<std::string>{});
    EXPECT_EQ(InTmp(), std::set<std::string>{});
    EXPECT_EQ(LogoFill(drive_ / "logo.sys"), 'a');
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, KilledWhileReplacing, ::testing::Values(SIGTERM, SIGINT, SIGHUP, SIGQUIT),
                         [](const auto& info) { return std::string(::sigabbrev_np(info.param)); });

// Ended while it waits for another run to let go of a disk image: its scratch
// folder (the FAT tools' configuration) goes with it.
TEST_F(StoppedRuns, KilledOnADiskImageLeavesNoScratchFolder)
{
    QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS();
    const fs::path image = root_ / "disk.img";
    std::ofstream(image).close();
    const std::vector<Volume> v = MakeDisk(
        image, {{.start = kMiB, .size = 16 * kMiB, .fatBits = 16, .type = 0x06, .active = true}}, 17 * kMiB, scratch_);
    ASSERT_EQ(v.size(), 1u);
    ASSERT_TRUE(PutLogo(v[0], "::/LOGO.SYS", 'a', scratch_));
    const DriveC held = DriveC::Open(image.string());
    const DriveHold hold = held.Hold();
    StartStopping(std::string(kStepDriveBusy), {"install", "startup", (root_ / "new1.bmp").string()}, image);
    ASSERT_TRUE(Stopped()) << ReadFile(scratch_ / "out");
    ASSERT_EQ(InTmp().size(), 1u) << "stopped before the scratch folder was made";
    EXPECT_EQ(EndWith(SIGTERM), SIGTERM) << ReadFile(scratch_ / "out");
    EXPECT_EQ(InTmp(), std::set<std::string>{});
    EXPECT_EQ(LogoFillOn(v[0], "::/LOGO.SYS", scratch_), 'a');
}

// A run that finds drive C: held by another waits for it, changing nothing
// meanwhile, and does its work once the other lets go.
TEST_F(StoppedRuns, ARunWaitsWhileAnotherHoldsTheDrive)
{
    const DriveC held = DriveC::Open(drive_.string());
    std::optional<DriveHold> hold(held.Hold());
    StartStopping(std::string(kStepDriveBusy), {"install", "startup", (root_ / "new1.bmp").string()}, drive_);
    ASSERT_TRUE(Stopped()) << "it did not wait for the drive: " << ReadFile(scratch_ / "out");
    EXPECT_EQ(LogoFill(drive_ / "logo.sys"), 'a');
    EXPECT_FALSE(fs::exists(drive_ / "VH Backups"));
    hold.reset();
    EXPECT_EQ(EndWith(SIGCONT), -1) << ReadFile(scratch_ / "out");
    EXPECT_EQ(LogoFill(drive_ / "logo.sys"), 'n');
    EXPECT_EQ(LogoFill(drive_ / "VH Backups" / "Logo.C1K"), 'a');
}

// A run removes the scratch folders that runs ended by SIGKILL left in its
// temporary folder, and only those.
TEST_F(StoppedRuns, TheNextRunRemovesScratchFoldersOfKilledRuns)
{
    for (const char* name : {"quillmere-Killed", "quillmere-living"}) {
        fs::create_directories(tmp_ / name);
        WriteFile(tmp_ / name / "mtoolsrc", 0, 'x');
        WriteFile(tmp_ / name / "lock", 0, 'x');
    }
    const UniqueFd living(::open((tmp_ / "quillmere-living" / "lock").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(::flock(living.Get(), LOCK_EX), 0);
    child_ = StartProgram({QUILLMERE_EXE, "--drive-c", drive_.string(), "status"}, scratch_ / "out",
                   {"HOME=" + (root_ / "home").string(), "TMPDIR=" + tmp_.string()});
    EXPECT_EQ(Wait(std::exchange(child_, 0)), 0) << ReadFile(scratch_ / "out");
    EXPECT_EQ(InTmp(), std::set<std::string>{"quillmere-living"});
}

} // namespace
} // namespace quillmere
