#include "creator/SnapshotHistory.h"

#include "imaging/TemporaryPaths.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace quillmere {

namespace {

// Calls remove(name) for every entry of the folder open as folderFd.
template <typename Remove> void ForEachEntry(int folderFd, Remove remove)
{
    // A descriptor of its own: reading the folder moves its position.
    const int fd = ::openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            remove(entry->d_name);
    }
    ::closedir(dir);
}

} // namespace

std::filesystem::path SnapshotFolder(const char* tmp, const char* temp, const std::filesystem::path& fallback)
{
    if (tmp && *tmp)
        return tmp;
    if (temp && *temp)
        return temp;
    return fallback;
}

SnapshotHistory::SnapshotHistory(std::filesystem::path temporaryFolder, std::uint64_t handle)
    : parent_(std::move(temporaryFolder)), prefix_(std::string("b").append(std::to_string(handle)))
{
}

SnapshotHistory::~SnapshotHistory() { Release(); }

SnapshotHistory::SnapshotHistory(SnapshotHistory&& other) noexcept
    : parent_(std::move(other.parent_)), folder_(std::exchange(other.folder_, {})),
      folderFd_(std::exchange(other.folderFd_, -1)), prefix_(std::move(other.prefix_)),
      index_(std::exchange(other.index_, 0))
{
}

SnapshotHistory& SnapshotHistory::operator=(SnapshotHistory&& other) noexcept
{
    if (this != &other) {
        Release();
        parent_ = std::move(other.parent_);
        folder_ = std::exchange(other.folder_, {});
        folderFd_ = std::exchange(other.folderFd_, -1);
        prefix_ = std::move(other.prefix_);
        index_ = std::exchange(other.index_, 0);
    }
    return *this;
}

std::string SnapshotHistory::Leaf(std::int32_t number) const
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(number));
    return prefix_ + digits + ".dat";
}

std::filesystem::path SnapshotHistory::FileName(std::int32_t number) const { return folder_ / Leaf(number); }

bool SnapshotHistory::MakeFolder()
{
    if (folderFd_ >= 0)
        return true;
    // Never the current folder.
    if (parent_.empty())
        return false;
    // mkdtemp makes the folder new, with mode 0700, under a name nobody can guess.
    std::string path = (parent_ / "quillmere-XXXXXX").string();
    if (!::mkdtemp(path.data()))
        return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::rmdir(path.c_str());
        return false;
    }
    folder_ = path;
    folderFd_ = fd;
    // The pictures go with the folder when a signal ends the program.
    RegisterTemporary(AT_FDCWD, folder_.native(), TemporaryKind::Folder);
    return true;
}

void SnapshotHistory::Clear()
{
    index_ = 0;
    if (folderFd_ < 0)
        return;
    // Exactly b<handle>, three digits, ".dat".
    const auto isOurs = [this](std::string_view name) {
        if (name.size() != prefix_.size() + 7 || !name.starts_with(prefix_) || !name.ends_with(".dat"))
            return false;
        const std::string_view number = name.substr(prefix_.size(), 3);
        return number.find_first_not_of("0123456789") == std::string_view::npos;
    };
    ForEachEntry(folderFd_, [&](const char* name) {
        if (isOurs(name))
            ::unlinkat(folderFd_, name, 0);
    });
}

void SnapshotHistory::Release() noexcept
{
    index_ = 0;
    if (folderFd_ < 0)
        return;
    // Only this window writes here: everything in the folder goes.
    ForEachEntry(folderFd_, [this](const char* name) { ::unlinkat(folderFd_, name, 0); });
    ::close(folderFd_);
    folderFd_ = -1;
    ::rmdir(folder_.c_str());
    ForgetTemporary(AT_FDCWD, folder_.native());
    folder_.clear();
}

void SnapshotHistory::Push(std::span<const std::uint8_t> bytes)
{
    Push([bytes](const Sink& sink) { sink(bytes); });
}

void SnapshotHistory::Push(const std::function<void(const Sink&)>& produce)
{
    const std::string leaf = Leaf(index_);
    int fd = -1;
    if (MakeFolder()) {
        // A file left by a rename that failed is replaced. Then a new file
        // only, never through a link, never waiting on something that is not
        // a file. Scratch data: written without a flush to disk.
        ::unlinkat(folderFd_, leaf.c_str(), 0);
        fd = ::openat(folderFd_, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    }
    bool complete = fd >= 0;
    const Sink sink = [fd, &complete](std::span<const std::uint8_t> piece) {
        std::size_t done = 0;
        while (complete && done < piece.size()) {
            const ssize_t n = ::write(fd, piece.data() + done, piece.size() - done);
            complete = n > 0;
            done += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
    };
    try {
        produce(sink);
    } catch (...) {
        if (fd >= 0) {
            ::close(fd);
            ::unlinkat(folderFd_, leaf.c_str(), 0);
        }
        throw;
    }
    if (fd >= 0) {
        complete = ::close(fd) == 0 && complete;
        if (!complete)
            ::unlinkat(folderFd_, leaf.c_str(), 0); // no half snapshot stays behind
    }
    if (index_ >= kMaxIndex) {
        Rotate();
        return;
    }
    ++index_;
}

void SnapshotHistory::Rotate()
{
    if (folderFd_ < 0)
        return;
    ::unlinkat(folderFd_, Leaf(0).c_str(), 0);
    for (std::int32_t n = 1; n <= kMaxIndex; ++n)
        ::renameat(folderFd_, Leaf(n).c_str(), folderFd_, Leaf(n - 1).c_str());
}

} // namespace quillmere
