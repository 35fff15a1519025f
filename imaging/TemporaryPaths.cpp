#include "TemporaryPaths.h"

#include "UniqueFd.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

// A slot's life: Free -> Writing (its registrant fills it) -> Listed ->
// Checking (a forget compares it, then frees it or lists it again). The
// handler reads Listed and Checking slots, whose content stays put, and
// never writes one: it ends the process.
enum SlotState : int { kFree, kWriting, kListed, kChecking };

struct Slot {
    std::atomic<int> state{kFree};
    int folder = AT_FDCWD;
    TemporaryKind kind = TemporaryKind::File;
    int lock = -1; // a scratch folder's lock, held while listed
    char name[PATH_MAX] = {};
};

constexpr std::size_t kSlots = 64;
std::array<Slot, kSlots> g_slots;
std::atomic<pid_t> g_owner{0};

// Children to end before cleaning up; 0 marks a free entry.
std::array<std::atomic<pid_t>, 8> g_children{};

constexpr std::array<int, 4> kSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

constexpr const char kScratchPrefix[] = "quillmere-";
constexpr const char kLockName[] = "lock";

void Register(int folder, std::string_view name, TemporaryKind kind, int lock) noexcept
{
    if (name.empty() || name.size() >= PATH_MAX)
        return;
    for (Slot& slot : g_slots) {
        int expected = kFree;
        if (!slot.state.compare_exchange_strong(expected, kWriting, std::memory_order_acquire))
            continue;
        slot.folder = folder;
        slot.kind = kind;
        slot.lock = lock;
        std::memcpy(slot.name, name.data(), name.size());
        slot.name[name.size()] = '\0';
        slot.state.store(kListed, std::memory_order_release);
        return;
    }
}

// Unlinks every entry of the open folder fd but its folders, with system
// calls alone (no allocation, no locks): a signal handler calls it.
void EmptyFolderInHandler(int fd) noexcept
{
    alignas(8) char buffer[4096];
    // Unlinking while reading may make the reading skip entries; passes repeat
    // while one removes anything.
    for (int pass = 0; pass < 8; ++pass) {
        bool removed = false;
        if (::lseek(fd, 0, SEEK_SET) != 0)
            return;
        for (;;) {
            const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (got <= 0)
                break;
            for (long at = 0; at < got;) {
                // struct linux_dirent64: d_ino (8), d_off (8), d_reclen (2), d_type (1), d_name.
                unsigned short length = 0;
                std::memcpy(&length, buffer + at + 16, sizeof length);
                const char* entry = buffer + at + 19;
                const unsigned char type = static_cast<unsigned char>(buffer[at + 18]);
                at += length;
                if (length == 0)
                    return;
                if (std::strcmp(entry, ".") == 0 || std::strcmp(entry, "..") == 0)
                    continue;
                // A folder goes only when empty (a mount point, once unmounted).
                if (::unlinkat(fd, entry, type == DT_DIR ? AT_REMOVEDIR : 0) == 0)
                    removed = true;
            }
        }
        if (!removed)
            return;
    }
}

void RemoveInHandler(const Slot& slot) noexcept
{
    if (slot.kind == TemporaryKind::File) {
        ::unlinkat(slot.folder, slot.name, 0);
        return;
    }
    const int fd = ::openat(slot.folder, slot.name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
        EmptyFolderInHandler(fd);
        ::close(fd);
    }
    ::unlinkat(slot.folder, slot.name, AT_REMOVEDIR);
}

// Sends every listed child SIGTERM, then waits for each, ten seconds at most.
void EndChildrenInHandler() noexcept
{
    for (const auto& child : g_children) {
        if (const pid_t pid = child.load(std::memory_order_acquire); pid > 0)
            ::kill(pid, SIGTERM);
    }
    for (const auto& child : g_children) {
        const pid_t pid = child.load(std::memory_order_acquire);
        if (pid <= 0)
            continue;
        for (int tick = 0; tick < 1000; ++tick) {
            const pid_t got = ::waitpid(pid, nullptr, WNOHANG);
            if (got != 0 && !(got < 0 && errno == EINTR))
                break;
            const timespec pause{0, 10'000'000};
            ::nanosleep(&pause, nullptr);
        }
    }
}

extern "C" void OnEndingSignal(int signal)
{
    const int savedErrno = errno;
    if (::getpid() == g_owner.load(std::memory_order_relaxed)) {
        EndChildrenInHandler();
        // Files first, so the folders they may be in are empty by then.
        for (const TemporaryKind kind : {TemporaryKind::File, TemporaryKind::Folder}) {
            for (const Slot& slot : g_slots) {
                const int state = slot.state.load(std::memory_order_acquire);
                if ((state == kListed || state == kChecking) && slot.kind == kind)
                    RemoveInHandler(slot);
            }
        }
    }
    // Die of the same signal: the default action, delivered once unblocked.
    struct sigaction dflt {};
    dflt.sa_handler = SIG_DFL;
    ::sigemptyset(&dflt.sa_mask);
    ::sigaction(signal, &dflt, nullptr);
    ::raise(signal);
    sigset_t only;
    ::sigemptyset(&only);
    ::sigaddset(&only, signal);
    ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
    errno = savedErrno;
    ::_exit(128 + signal); // only if the default action did not end the process
}

bool IsScratchName(const char* name)
{
    const std::size_t prefix = sizeof kScratchPrefix - 1;
    if (std::strncmp(name, kScratchPrefix, prefix) != 0 || std::strlen(name) != prefix + 6)
        return false;
    for (const char* c = name + prefix; *c; ++c) {
        const bool letterOrDigit = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9');
        if (!letterOrDigit)
            return false;
    }
    return true;
}

// Removes the stale scratch folder name of parent, if it is one (see
// RemoveStaleScratchFolders).
void RemoveIfStale(int parent, const char* name)
{
    struct stat entry {};
    if (::fstatat(parent, name, &entry, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(entry.st_mode) ||
        entry.st_uid != ::geteuid())
        return;
    const UniqueFd folder(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat opened {};
    if (!folder || ::fstat(folder.Get(), &opened) != 0 || opened.st_dev != entry.st_dev ||
        opened.st_ino != entry.st_ino)
        return;
    // The lock file appears only once its run holds the lock (MakeScratchFolder),
    // so a lock this run can take belongs to a run that is gone.
    const UniqueFd lock(::openat(folder.Get(), kLockName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat lockStatus {};
    if (!lock || ::fstat(lock.Get(), &lockStatus) != 0 || !S_ISREG(lockStatus.st_mode) ||
        ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0)
        return;
    const int listFd = ::dup(folder.Get());
    if (listFd < 0)
        return;
    DIR* list = ::fdopendir(listFd);
    if (!list) {
        ::close(listFd);
        return;
    }
    while (const dirent* e = ::readdir(list)) {
        struct stat st {};
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0 ||
            ::fstatat(folder.Get(), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        // A folder goes only when empty (the mount point of a mount now removed).
        ::unlinkat(folder.Get(), e->d_name, S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0);
    }
    ::closedir(list);
    ::unlinkat(parent, name, AT_REMOVEDIR); // fails, leaving it, when anything is left inside
}

} // namespace

void RegisterTemporary(int folder, std::string_view name, TemporaryKind kind) noexcept
{
    Register(folder, name, kind, -1);
}

void ForgetTemporary(int folder, std::string_view name) noexcept
{
    for (Slot& slot : g_slots) {
        int expected = kListed;
        if (!slot.state.compare_exchange_strong(expected, kChecking, std::memory_order_acquire))
            continue;
        if (slot.folder != folder || std::string_view(slot.name) != name) {
            slot.state.store(kListed, std::memory_order_release);
            continue;
        }
        if (slot.lock >= 0)
            ::close(slot.lock);
        slot.lock = -1;
        slot.state.store(kFree, std::memory_order_release);
        return;
    }
}

void RegisterChildToEnd(pid_t child) noexcept
{
    for (auto& slot : g_children) {
        pid_t expected = 0;
        if (slot.compare_exchange_strong(expected, child, std::memory_order_release))
            return;
    }
}

void ForgetChildToEnd(pid_t child) noexcept
{
    for (auto& slot : g_children) {
        pid_t expected = child;
        if (slot.compare_exchange_strong(expected, 0, std::memory_order_release))
            return;
    }
}

void RemoveTemporariesOnSignals()
{
    g_owner.store(::getpid(), std::memory_order_relaxed);
    struct sigaction action {};
    action.sa_handler = OnEndingSignal;
    ::sigemptyset(&action.sa_mask);
    // One cleanup at a time: another ending signal waits until it is done.
    for (const int signal : kSignals)
        ::sigaddset(&action.sa_mask, signal);
    for (const int signal : kSignals) {
        struct sigaction old {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &action, nullptr);
    }
}

fs::path ScratchParent()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp == '/' ? fs::path(tmp) : fs::path("/tmp");
}

void ClaimScratchFolder(const fs::path& folder) noexcept
{
    // The lock is taken under another name and renamed "lock" only once held,
    // so a later run never takes the lock of a run that is just starting.
    const std::string fresh = folder.native() + "/" + kLockName + ".new";
    UniqueFd lock(::open(fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (lock && (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 ||
                 ::rename(fresh.c_str(), (folder.native() + "/" + kLockName).c_str()) != 0)) {
        ::unlink(fresh.c_str());
        lock.Reset();
    }
    Register(AT_FDCWD, folder.native(), TemporaryKind::Folder, lock.Release());
}

void ForgetScratchFolder(const fs::path& folder) noexcept { ForgetTemporary(AT_FDCWD, folder.native()); }

void RemoveStaleScratchFolders(const fs::path& parent) noexcept
{
    const int fd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* list = ::fdopendir(fd);
    if (!list) {
        ::close(fd);
        return;
    }
    while (const dirent* e = ::readdir(list)) {
        if (IsScratchName(e->d_name))
            RemoveIfStale(fd, e->d_name);
    }
    ::closedir(list);
}

bool IsStaleScratchFolder(const fs::path& folder) noexcept
{
    struct stat st {};
    if (!IsScratchName(folder.filename().c_str()) || ::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::geteuid())
        return false;
    const UniqueFd lock(::open((folder.native() + "/" + kLockName).c_str(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat lockStatus {};
    return lock && ::fstat(lock.Get(), &lockStatus) == 0 && S_ISREG(lockStatus.st_mode) &&
           ::flock(lock.Get(), LOCK_EX | LOCK_NB) == 0; // given up with the descriptor
}

} // namespace quillmere
