#include "Mtools.h"

#include "FileAttributes.h"

#include "imaging/Errors.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillmere {

namespace fs = std::filesystem;

namespace {

std::atomic<unsigned long> runs{0};

// Where each program's descriptor of the image is, in the child.
constexpr int kImageFdInChild = 3;

// Seconds one program may run: mtools waits at most MTOOLS_LOCK_TIMEOUT for
// another mtools run on the same image, and works on a logo in milliseconds.
constexpr int kRunSeconds = 60;

void ReadInto(int fd, std::string& into, std::size_t limit, bool& cut, bool& open)
{
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        open = false;
        return;
    }
    const std::size_t room = limit > into.size() ? limit - into.size() : 0;
    const std::size_t take = std::min(room, static_cast<std::size_t>(n));
    into.append(buffer, take);
    if (take < static_cast<std::size_t>(n))
        cut = true;
}

} // namespace

std::optional<std::string> FindProgram(std::string_view program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/bin:/bin";
    for (std::size_t start = 0; start <= dirs.size();) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string dir = dirs.substr(start, end - start);
        start = end + 1;
        if (dir.empty() || dir[0] != '/')
            continue; // a relative entry would depend on the working folder
        const std::string candidate = dir + "/" + std::string(program);
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

Mtools::Mtools(int imageFd, std::uint64_t offset, fs::path scratch)
    : imageFd_(imageFd), offset_(offset), scratch_(std::move(scratch))
{
    // The user's own settings (MTOOLS_* variables, ~/.mtoolsrc) could change
    // names, case or checks; every setting that matters is given here instead.
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        if (entry.starts_with("MTOOLS") || entry.starts_with("HOME=") || entry.starts_with("LC_ALL="))
            continue;
        environment_.emplace_back(entry);
    }
    const std::string rc = (scratch_ / "mtoolsrc").string();
    for (const std::string& setting : {
             "MTOOLSRC=" + rc,
             "HOME=" + scratch_.string(),
             std::string("MTOOLS_SKIP_CHECK=1"),
             std::string("MTOOLS_FAT_COMPATIBILITY=1"),
             std::string("MTOOLS_LOWER_CASE=0"),
             std::string("MTOOLS_NO_VFAT=0"),
             std::string("MTOOLS_DOTTED_DIR=0"),
             std::string("MTOOLS_NAME_NUMERIC_TAIL=1"),
             std::string("MTOOLS_TWENTY_FOUR_HOUR_CLOCK=1"),
             std::string("MTOOLS_DATE_STRING=yyyy-mm-dd"),
             std::string("MTOOLS_LOCK_TIMEOUT=10"),
             std::string("LC_ALL=C.UTF-8"),
         })
        environment_.push_back(setting);
}

std::string Mtools::Name(const std::vector<std::string>& steps)
{
    std::string name = "::/";
    for (std::size_t i = 0; i < steps.size(); ++i)
        name += (i ? "/" : "") + steps[i];
    return name;
}

unsigned long Mtools::RunCount() noexcept { return runs.load(); }

MtoolsRun Mtools::Run(std::string_view program, const std::vector<std::string>& args, std::size_t maxOut) const
{
    const std::optional<std::string> found = FindProgram(program);
    if (!found)
        throw Error("cannot work on a disk image: the mtools program " + std::string(program) +
                    " is not installed (Debian package mtools)");
    const std::string& path = *found;
    std::vector<std::string> argv = {std::string(program), "-i",
                                     "/proc/self/fd/" + std::to_string(kImageFdInChild) + "@@" +
                                         std::to_string(offset_)};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> rawArgv;
    for (std::string& a : argv)
        rawArgv.push_back(a.data());
    rawArgv.push_back(nullptr);
    std::vector<std::string> env = environment_;
    std::vector<char*> rawEnv;
    for (std::string& e : env)
        rawEnv.push_back(e.data());
    rawEnv.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw Error("cannot run " + std::string(program) + ": " + std::strerror(errno));
    if (::pipe2(err, O_CLOEXEC) != 0) {
        ::close(out[0]);
        ::close(out[1]);
        throw Error("cannot run " + std::string(program) + ": " + std::strerror(errno));
    }
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ++runs;
    const pid_t child = ::fork();
    if (child == 0) {
        // Only calls that are safe between fork and exec.
        if (devNull < 0 || ::dup2(devNull, 0) < 0 || ::dup2(out[1], 1) < 0 || ::dup2(err[1], 2) < 0)
            ::_exit(127);
        if (imageFd_ == kImageFdInChild) {
            if (::fcntl(kImageFdInChild, F_SETFD, 0) != 0)
                ::_exit(127);
        } else if (::dup2(imageFd_, kImageFdInChild) < 0) {
            ::_exit(127);
        }
        ::execve(path.c_str(), rawArgv.data(), rawEnv.data());
        ::_exit(127);
    }
    const int forkErrno = errno;
    ::close(out[1]);
    ::close(err[1]);
    if (devNull >= 0)
        ::close(devNull);
    if (child < 0) {
        ::close(out[0]);
        ::close(err[0]);
        throw Error("cannot run " + std::string(program) + ": " + std::strerror(forkErrno));
    }

    MtoolsRun run;
    bool outOpen = true, errOpen = true, errCut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kRunSeconds);
    bool hung = false;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            hung = true;
            break;
        }
        const int ready = ::poll(fds, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        if (fds[0].revents)
            ReadInto(out[0], run.out, maxOut, run.outCut, outOpen);
        if (fds[1].revents)
            ReadInto(err[0], run.err, 1u << 16, errCut, errOpen);
    }
    if (hung || outOpen || errOpen)
        ::kill(child, SIGKILL);
    ::close(out[0]);
    ::close(err[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (hung)
        throw Error(std::string(program) + " did not finish within " + std::to_string(kRunSeconds) +
                    " seconds and was stopped");
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (run.status == 127 && run.out.empty() && run.err.empty())
        throw Error("cannot run " + path);
    return run;
}

bool IsShortName(std::string_view name)
{
    // Characters a short name may hold besides letters and digits; bytes above
    // 127 are code-page letters.
    constexpr std::string_view kSpecial = "!#$%&'()-@^_`{}~";
    const std::size_t dot = name.find('.');
    const std::string_view base = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || (dot != std::string_view::npos && ext.empty()))
        return false;
    for (const std::string_view part : {base, ext}) {
        for (const char c : part) {
            const auto u = static_cast<unsigned char>(c);
            if (!(std::isalnum(u) || u > 127 || kSpecial.find(c) != std::string_view::npos))
                return false;
        }
    }
    return true;
}

std::string MtoolsComplaint(const MtoolsRun& run)
{
    std::string_view err = run.err;
    while (!err.empty()) {
        const std::size_t end = err.find('\n');
        const std::string_view line = err.substr(0, end);
        if (line.find_first_not_of(" \t\r") != std::string_view::npos)
            return std::string(line);
        err = end == std::string_view::npos ? std::string_view{} : err.substr(end + 1);
    }
    return "it ended with status " + std::to_string(run.status);
}

} // namespace quillmere
