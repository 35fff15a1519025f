#include "NbdMount.h"

#include "Drive.h"
#include "Mtools.h"

#include "imaging/Printable.h"
#include "imaging/StopAtStep.h"
#include "imaging/TemporaryPaths.h"
#include "imaging/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace quillmere {

namespace fs = std::filesystem;

namespace {

constexpr const char kPackages[] = "Debian packages qemu-utils, libnbd-bin and fuse3";
constexpr const char kPidFile[] = "nbdfuse.pid";
constexpr const char kLog[] = "nbdfuse.log";
constexpr const char kMountName[] = "mount";
// How long nbdfuse may take to serve the image, and to stop.
constexpr auto kStartLimit = std::chrono::seconds(30);
constexpr auto kStopLimit = std::chrono::seconds(30);

std::error_code Code(int err) { return {err, std::generic_category()}; }

// The mounts of this run, shared by every opening of the same image file.
std::mutex g_mountsMutex;
std::vector<std::weak_ptr<NbdMount>> g_mounts;

int PidFd(pid_t pid) { return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); }

// Waits until the process open as pidFd ends or the time is up.
bool WaitForEnd(int pidFd, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{pidFd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

std::string ReadSmallFile(const fs::path& path, std::size_t limit)
{
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    if (!fd)
        return {};
    std::string text(limit, '\0');
    const ssize_t n = ::read(fd.Get(), text.data(), limit);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

// The first line of what nbdfuse and qemu-nbd said that tells the reason.
std::string Complaint(const std::string& log)
{
    std::string first;
    for (std::size_t at = 0; at < log.size();) {
        std::size_t end = log.find('\n', at);
        if (end == std::string::npos)
            end = log.size();
        std::string line = log.substr(at, end - at);
        at = end + 1;
        // "qemu-nbd: Failed to blk_new_open 'PATH': REASON": the path is in the message already.
        if (line.starts_with("qemu-nbd: "))
            line.erase(0, 10);
        if (const std::size_t quoted = line.find("': "); line.starts_with("Failed to blk_new_open '") &&
                                                         quoted != std::string::npos)
            line.erase(0, quoted + 3);
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        // libnbd's report of the server going away says less than the server's own line.
        if (first.empty() || first.starts_with("nbd_connect"))
            first = line;
    }
    return first.empty() ? "it ended without saying why" : Printable(first);
}

DriveError InUse(const fs::path& image)
{
    return DriveError(image.string(), "the disk image is in use: a running virtual machine or emulator, or another "
                                      "run of this program, has it open; shut it down or close it first",
                      DriveErrc::ImageInUse);
}

bool Mounted(const fs::path& mount, const fs::path& above)
{
    struct stat in {}, out {};
    return ::stat(mount.c_str(), &in) == 0 && ::stat(above.c_str(), &out) == 0 && in.st_dev != out.st_dev;
}

} // namespace

NbdMount::FileState NbdMount::StateOf(int imageFd) noexcept
{
    struct stat st {};
    if (::fstat(imageFd, &st) != 0)
        return {};
    return {st.st_size, std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
            std::int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec};
}

std::shared_ptr<NbdMount> NbdMount::Open(int imageFd, const fs::path& image, const ImageFormat& format,
                                         bool writable, const std::function<bool()>& inUse)
{
    struct stat st {};
    if (::fstat(imageFd, &st) != 0)
        throw DriveError(image.string(), std::strerror(errno), Code(errno));
    const std::lock_guard<std::mutex> hold(g_mountsMutex);
    std::erase_if(g_mounts, [](const std::weak_ptr<NbdMount>& m) { return m.expired(); });
    for (const std::weak_ptr<NbdMount>& weak : g_mounts) {
        const std::shared_ptr<NbdMount> mount = weak.lock();
        if (!mount || mount->device_ != st.st_dev || mount->inode_ != st.st_ino)
            continue;
        // Opened again in this run (the window opens a drive again after a
        // change by another program): the server may be shared only while
        // nothing but it changed the file; else what it holds in memory of
        // the image is out of date, and it goes (its other users fail).
        if (mount->settled_ == StateOf(imageFd) && (mount->writable_ || !writable))
            return mount;
        mount->End();
    }
    struct flock served {};
    served.l_type = F_WRLCK;
    served.l_whence = SEEK_SET;
    served.l_start = kServedByte;
    served.l_len = 1;
    if (::fcntl(imageFd, F_OFD_GETLK, &served) == 0 && served.l_type != F_UNLCK)
        throw DriveError(image.string(), "the disk image is open in another run of this program (a Logo Manager "
                                         "window, perhaps); close it there first",
                         DriveErrc::ImageInUse);
    if (inUse())
        throw InUse(image);
    std::shared_ptr<NbdMount> mount(new NbdMount);
    mount->writable_ = writable;
    mount->device_ = st.st_dev;
    mount->inode_ = st.st_ino;
    mount->Start(image, format);
    mount->settled_ = StateOf(imageFd);
    // Through a descriptor of its own, which lives exactly as long as the mount.
    mount->servedLock_ = ::open(("/proc/self/fd/" + std::to_string(imageFd)).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    served.l_type = F_RDLCK;
    if (mount->servedLock_ >= 0)
        ::fcntl(mount->servedLock_, F_OFD_SETLK, &served);
    g_mounts.push_back(mount);
    return mount;
}

void NbdMount::Start(const fs::path& image, const ImageFormat& format)
{
    const std::string shown = image.string();
    const std::string what = "is a " + format.name + " disk image, which drive C: reaches through qemu-nbd and "
                                                     "nbdfuse (" + kPackages + "), but ";
    const std::optional<std::string> nbdfuse = FindProgram("nbdfuse");
    const std::optional<std::string> qemuNbd = FindProgram("qemu-nbd");
    if (!nbdfuse || !qemuNbd)
        throw DriveError(shown, what + (nbdfuse ? "qemu-nbd" : "nbdfuse") + " is not installed; install them, or " +
                                    kConvertHint,
                         DriveErrc::ImageTool);
    struct stat fuse {};
    if (::stat("/dev/fuse", &fuse) != 0 || !S_ISCHR(fuse.st_mode))
        throw DriveError(shown, what + "FUSE is not available here (/dev/fuse is missing, as in some containers); " +
                                    kConvertHint,
                         DriveErrc::ImageTool);

    std::string pattern = (ScratchParent() / "quillmere-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw DriveError(pattern, "cannot make a private temporary folder: " + std::string(std::strerror(errno)),
                         Code(errno));
    scratch_ = pattern;
    ClaimScratchFolder(scratch_);
    mount_ = scratch_ / kMountName;
    disk_ = mount_ / "disk";
    const auto giveUp = [&](DriveError error) -> DriveError {
        End();
        return error;
    };
    if (::mkdir(mount_.c_str(), 0700) != 0)
        throw giveUp(DriveError(mount_.string(), std::strerror(errno), Code(errno)));
    const UniqueFd log(::open((scratch_ / kLog).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    const UniqueFd devNull(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!log || !devNull)
        throw giveUp(DriveError(scratch_.string(), std::strerror(errno), Code(errno)));

    // An absolute path, so QEMU never reads the name as a protocol ("nbd:...");
    // the format is given, never probed.
    const std::string path = fs::absolute(image).lexically_normal().string();
    std::vector<std::string> args = {"nbdfuse"};
    if (!writable_)
        args.push_back("-r");
    args.insert(args.end(), {"-P", (scratch_ / kPidFile).string(), disk_.string(), "--socket-activation",
                             *qemuNbd, "--format", format.qemu});
    if (!writable_)
        args.push_back("--read-only");
    args.push_back(path);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child == 0) {
        // Its own process group: a Ctrl+C at the terminal reaches this run,
        // whose handler stops the server in order, not the server mid-change.
        ::setpgid(0, 0);
        if (::dup2(devNull.Get(), 0) < 0 || ::dup2(log.Get(), 1) < 0 || ::dup2(log.Get(), 2) < 0)
            ::_exit(127);
        ::execve(nbdfuse->c_str(), argv.data(), environ);
        ::_exit(127);
    }
    if (child < 0)
        throw giveUp(DriveError(shown, "cannot start nbdfuse: " + std::string(std::strerror(errno)), Code(errno)));
    pid_ = child;
    RegisterChildToEnd(pid_);

    // Served once the pid file is written and the mount is there; nbdfuse
    // ending first means it could not serve the image.
    const UniqueFd pidFd(PidFd(pid_));
    const UniqueFd watch(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    if (watch)
        ::inotify_add_watch(watch.Get(), scratch_.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO);
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    for (;;) {
        std::error_code ignored;
        if (fs::exists(scratch_ / kPidFile, ignored) && Mounted(mount_, scratch_)) {
            ReachedStep(kStepImageServed);
            break;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            ForgetChildToEnd(pid_);
            pid_ = -1;
            const std::string said = ReadSmallFile(scratch_ / kLog, 1u << 16);
            if (said.find("Failed to get") != std::string::npos && said.find("lock") != std::string::npos)
                throw giveUp(InUse(image));
            if (said.find("fuse") != std::string::npos &&
                (said.find("/dev/fuse") != std::string::npos || said.find("not permitted") != std::string::npos ||
                 said.find("fusermount") != std::string::npos))
                throw giveUp(DriveError(shown, what + "FUSE may not be used here (" + Complaint(said) + "); " +
                                                   kConvertHint,
                                        DriveErrc::ImageTool));
            throw giveUp(DriveError(shown, "is a " + format.name + " disk image that QEMU cannot open (" +
                                               Complaint(said) + ")",
                                    DriveErrc::ImageTool));
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw giveUp(DriveError(shown, "qemu-nbd and nbdfuse did not serve the disk image within " +
                                               std::to_string(kStartLimit.count()) + " seconds",
                                    DriveErrc::ImageTool));
        // Woken by the pid file or by nbdfuse ending; a short slice covers a
        // mount that appears just after its pid file.
        pollfd fds[2] = {{pidFd.Get(), POLLIN, 0}, {watch.Get(), POLLIN, 0}};
        if (::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), 20))) > 0 && fds[1].revents) {
            char events[4096];
            while (::read(watch.Get(), events, sizeof events) > 0) {
            }
        }
    }
}

NbdMount::~NbdMount() { End(); }

void NbdMount::End() noexcept
{
    if (servedLock_ >= 0)
        ::close(servedLock_);
    servedLock_ = -1;
    if (pid_ > 0) {
        // nbdfuse unmounts on SIGTERM; it waits for qemu-nbd, which flushes
        // and closes the image, before it ends.
        const UniqueFd pidFd(PidFd(pid_));
        ::kill(pid_, SIGTERM);
        if (!pidFd || !WaitForEnd(pidFd.Get(), kStopLimit))
            ::kill(pid_, SIGKILL);
        while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
        }
        ForgetChildToEnd(pid_);
        pid_ = -1;
    }
    if (scratch_.empty())
        return;
    // Only once nothing is mounted there: the removal must never reach into the disk.
    if (::rmdir(mount_.c_str()) == 0 || errno == ENOENT) {
        std::error_code ec;
        fs::remove_all(scratch_, ec);
        ForgetScratchFolder(scratch_);
    }
    scratch_.clear();
}

void RemoveStaleMounts(const fs::path& parent) noexcept
{
    try {
        std::ifstream mounts("/proc/self/mountinfo");
        const std::string owner = "user_id=" + std::to_string(::geteuid());
        for (std::string line; std::getline(mounts, line);) {
            // ID PARENT MAJ:MIN ROOT MOUNTPOINT OPTIONS... - TYPE SOURCE SUPEROPTIONS
            std::vector<std::string> fields;
            for (std::size_t at = 0; at < line.size();) {
                const std::size_t end = std::min(line.find(' ', at), line.size());
                fields.push_back(line.substr(at, end - at));
                at = end + 1;
            }
            const auto dash = std::find(fields.begin(), fields.end(), "-");
            if (fields.size() < 5 || dash == fields.end() || fields.end() - dash < 4 ||
                !dash[1].starts_with("fuse") || ("," + dash[3] + ",").find("," + owner + ",") == std::string::npos)
                continue;
            // Octal escapes (\040 for a space) in the mount point.
            std::string point;
            const std::string& raw = fields[4];
            for (std::size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == '\\' && i + 3 < raw.size() &&
                    std::all_of(raw.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                raw.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                                [](char c) { return c >= '0' && c <= '7'; })) {
                    point += static_cast<char>(std::stoi(raw.substr(i + 1, 3), nullptr, 8));
                    i += 3;
                } else {
                    point += raw[i];
                }
            }
            const fs::path mount(point);
            const fs::path scratch = mount.parent_path();
            if (mount.filename() != kMountName || scratch.parent_path() != parent || !IsStaleScratchFolder(scratch))
                continue;
            // The pid file names the killed run's nbdfuse; it is stopped when
            // it is still that program, serving this mount.
            const std::string pidText = ReadSmallFile(scratch / kPidFile, 32);
            const long pid = std::strtol(pidText.c_str(), nullptr, 10);
            const std::string command = pid > 0 ? ReadSmallFile("/proc/" + std::to_string(pid) + "/cmdline", 8192) : "";
            const bool ours = command.find("nbdfuse") != std::string::npos &&
                              command.find((mount / "disk").string()) != std::string::npos;
            const UniqueFd pidFd(ours ? PidFd(static_cast<pid_t>(pid)) : -1);
            if (pidFd && ::kill(static_cast<pid_t>(pid), SIGTERM) == 0) {
                WaitForEnd(pidFd.Get(), std::chrono::seconds(10));
                continue;
            }
            // No server to stop: unmount it lazily.
            if (const std::optional<std::string> fusermount = FindProgram("fusermount3")) {
                const std::string u = "-u", z = "-z";
                std::string target = mount.string();
                char* argv[] = {const_cast<char*>("fusermount3"), const_cast<char*>(u.c_str()),
                                const_cast<char*>(z.c_str()), target.data(), nullptr};
                const pid_t child = ::fork();
                if (child == 0) {
                    ::execve(fusermount->c_str(), argv, environ);
                    ::_exit(127);
                }
                if (child > 0)
                    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
                    }
            }
        }
    } catch (...) {
        // Best effort: a later run tries again.
    }
}

} // namespace quillmere
