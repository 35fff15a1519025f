// Two runs of the program started together at the first run on a drive: each
// waits for the other's start-up and operation, so the original kept is always
// the logo installed before either ran, and both succeed.
#include "ImageFixture.h"

#include <array>

#include <sys/wait.h>

extern char** environ;

namespace quillmere {
namespace {

using namespace quillmere::testing;

// Starts argv with its output in out (both streams); no shell, no waiting.
pid_t Start(std::vector<std::string> argv, const fs::path& out, const std::vector<std::string>& extraEnv)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        if (!entry.starts_with("QUILLMERE_DRIVE_C=") && !entry.starts_with("HOME=") &&
            !entry.starts_with("XDG_DATA_HOME="))
            env.emplace_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> rawArgv, rawEnv;
    for (std::string& a : argv)
        rawArgv.push_back(a.data());
    rawArgv.push_back(nullptr);
    for (std::string& e : env)
        rawEnv.push_back(e.data());
    rawEnv.push_back(nullptr);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t child = ::fork();
    if (child == 0) {
        if (fd < 0 || ::dup2(fd, 1) < 0 || ::dup2(fd, 2) < 0)
            ::_exit(127);
        ::alarm(kChildTimeout);
        ::execve(rawArgv[0], rawArgv.data(), rawEnv.data());
        ::_exit(127);
    }
    if (fd >= 0)
        ::close(fd);
    return child;
}

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
                Start({QUILLMERE_EXE, "--drive-c", drive.string(), "install", "startup",
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

} // namespace
} // namespace quillmere
