// Permission tests that must hold for root too: root writes into any folder, so
// there the attempt runs in a child process, or the built program runs, as an
// ordinary user (nobody).
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmere::testing {

// nobody, and its group nogroup.
inline constexpr uid_t kOrdinaryUser = 65534;

// For root, becomes nobody with no other group; anyone else stays who they are.
// True when that worked. Call it in a child process (or just before exec).
inline bool BecomeOrdinaryUser()
{
    return ::geteuid() != 0 ||
           (::setgroups(0, nullptr) == 0 && ::setgid(kOrdinaryUser) == 0 && ::setuid(kOrdinaryUser) == 0);
}

// True when attempt() returned true, run as this user or, for root, as nobody.
template <typename Attempt> bool AsOrdinaryUser(Attempt attempt)
{
    if (::geteuid() != 0)
        return attempt();
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0)
        ::_exit(BecomeOrdinaryUser() && attempt() ? 0 : 1);
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace detail {

// A copy of a program in a folder of its own under the temporary folder, open to
// every user; removed with the folder when the test process ends.
struct ProgramCopy {
    std::filesystem::path folder;
    std::string path;
    std::string error; // why there is no copy

    explicit ProgramCopy(const std::string &program)
    {
        namespace fs = std::filesystem;
        std::error_code ec;
        std::string name = (fs::temp_directory_path(ec) / "quillmere-program-XXXXXX").string();
        if (ec || ::mkdtemp(name.data()) == nullptr) {
            error = "cannot make a folder for a copy of the program: " + std::string(std::strerror(errno));
            return;
        }
        folder = name;
        const fs::path copy = folder / fs::path(program).filename();
        const fs::perms open = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec;
        fs::permissions(folder, open, ec); // mkdtemp made it 0700
        if (!ec)
            fs::copy_file(program, copy, ec);
        if (!ec)
            fs::permissions(copy, open, ec);
        if (ec)
            error = "cannot copy " + program + " to " + folder.string() + ": " + ec.message();
        else
            path = copy.string();
    }
    ~ProgramCopy()
    {
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
    }
    ProgramCopy(const ProgramCopy &) = delete;
    ProgramCopy &operator=(const ProgramCopy &) = delete;
};

inline const ProgramCopy &CopyOf(const std::string &program)
{
    static const ProgramCopy copy(program);
    return copy;
}

// The first folder on the way to path (from / down) that nobody may not enter.
inline std::string FirstClosedFolder(const std::filesystem::path &path)
{
    std::filesystem::path folder;
    for (const auto &part : std::filesystem::absolute(path).parent_path()) {
        folder /= part;
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0 && st.st_uid != kOrdinaryUser && (st.st_mode & S_IXOTH) == 0)
            return folder.string();
    }
    return path.string();
}

} // namespace detail

// The built program as the ordinary user may start it. For root that is a copy:
// nobody may not enter the folder the program was built in when the checkout
// lies in a private folder (root's home folder, mode 0700). One copy serves a
// whole test process. Anyone else runs the program itself.
inline std::string ProgramForOrdinaryUser(const std::string &program)
{
    if (::geteuid() != 0)
        return program;
    const detail::ProgramCopy &copy = detail::CopyOf(program);
    return copy.error.empty() ? copy.path : program;
}

// Empty when the ordinary user can start ProgramForOrdinaryUser(program) and
// reach each of `reach` (the test's files); otherwise the reason, for the test
// to skip with.
inline std::string WhyOrdinaryUserCannotRun(const std::string &program,
                                            const std::vector<std::filesystem::path> &reach = {})
{
    if (::geteuid() != 0)
        return {};
    if (const std::string &error = detail::CopyOf(program).error; !error.empty())
        return "nobody (uid 65534) would run a copy of the program, but " + error;
    std::vector<std::filesystem::path> paths = {ProgramForOrdinaryUser(program)};
    paths.insert(paths.end(), reach.begin(), reach.end());
    // The child tells by its status which path it could not reach (1 and up),
    // or 255 when it could not become nobody.
    const pid_t child = ::fork();
    if (child < 0)
        return std::string("cannot start a process to check as nobody: ") + std::strerror(errno);
    if (child == 0) {
        if (!BecomeOrdinaryUser())
            ::_exit(255);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (::access(paths[i].c_str(), i == 0 ? X_OK : F_OK) != 0)
                ::_exit(static_cast<int>(i + 1));
        }
        ::_exit(0);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return "the check as nobody (uid 65534) did not finish";
    const int code = WEXITSTATUS(status);
    if (code == 0)
        return {};
    if (code == 255)
        return "this system does not let root become nobody (uid 65534)";
    const std::filesystem::path &path = paths[static_cast<std::size_t>(code - 1)];
    return "nobody (uid 65534) cannot reach " + path.string() + ": other users may not enter " +
           detail::FirstClosedFolder(path);
}

} // namespace quillmere::testing
