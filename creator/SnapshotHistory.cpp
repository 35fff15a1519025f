#include "creator/SnapshotHistory.h"

#include <cstdio>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace quillmere {

std::filesystem::path SnapshotFolder(const char* tmp, const char* temp, const std::filesystem::path& fallback)
{
    if (tmp && *tmp)
        return tmp;
    if (temp && *temp)
        return temp;
    return fallback;
}

SnapshotHistory::SnapshotHistory(std::filesystem::path folder, std::uint64_t handle)
    : folder_(std::move(folder)), prefix_("b" + std::to_string(handle))
{
}

std::filesystem::path SnapshotHistory::FileName(std::int32_t number) const
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", static_cast<int>(number));
    return folder_ / (prefix_ + digits + ".dat");
}

void SnapshotHistory::Clear()
{
    index_ = 0;
    DIR* dir = ::opendir(folder_.c_str());
    if (!dir)
        return;
    // Exactly b<handle>, three digits, ".dat": a wildcard after the handle
    // would also take the files of a window whose handle starts with ours.
    const auto isOurs = [this](std::string_view name) {
        if (name.size() != prefix_.size() + 7 || !name.starts_with(prefix_) || !name.ends_with(".dat"))
            return false;
        const std::string_view number = name.substr(prefix_.size(), 3);
        return number.find_first_not_of("0123456789") == std::string_view::npos;
    };
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (isOurs(entry->d_name))
            ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(dir);
}

void SnapshotHistory::Push(std::span<const std::uint8_t> bytes)
{
    Push([bytes](const Sink& sink) { sink(bytes); });
}

void SnapshotHistory::Push(const std::function<void(const Sink&)>& produce)
{
    const std::filesystem::path name = FileName(index_);
    // Scratch data: written without a flush to disk. The name is predictable
    // and the folder may be shared, so a link planted there is not followed.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
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
            ::unlink(name.c_str());
        }
        throw;
    }
    if (fd >= 0) {
        complete = ::close(fd) == 0 && complete;
        if (!complete)
            ::unlink(name.c_str()); // no half snapshot stays behind
    }
    if (index_ >= kMaxIndex) {
        Rotate();
        return;
    }
    ++index_;
}

void SnapshotHistory::Rotate()
{
    ::unlink(FileName(0).c_str());
    for (std::int32_t n = 1; n <= kMaxIndex; ++n)
        ::rename(FileName(n).c_str(), FileName(n - 1).c_str());
}

} // namespace quillmere
