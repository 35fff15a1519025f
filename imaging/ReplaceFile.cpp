#include "ReplaceFile.h"

#include "Errors.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

std::string Reason(int err) { return std::strerror(err); }

// A file descriptor closed on every path.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The temporary file beside the target, removed unless committed.
class TemporaryFile {
public:
    explicit TemporaryFile(const fs::path& target) : target_(target)
    {
        struct stat st {};
        if (::stat(target.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode))
                throw FileError(target.string(), "it is a folder");
            // Read-only means the owner may not write it; even root must not replace it.
            if (!(st.st_mode & S_IWUSR))
                throw FileError(target.string(), "the file is read-only");
            keepMode_ = true;
            mode_ = st.st_mode & 07777;
        }
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        // Created with the target's mode, or the usual one (umask applied) for a new
        // file, so that no mode change is needed afterwards: file systems such as a
        // mounted FAT partition fix modes and refuse to change them.
        const mode_t createMode = keepMode_ ? mode_ : 0666;
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
            const fs::path candidate = folder / ("." + target.filename().string() + suffix);
            fd_.fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode);
            if (fd_.fd >= 0) {
                path_ = candidate;
                return;
            }
            if (errno != EEXIST)
                throw FileError(target.string(), Reason(errno));
        }
        throw FileError(target.string(), "no free name for a temporary file in its folder");
    }

    ~TemporaryFile()
    {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }

    void Write(const std::uint8_t* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_.fd, data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw FileError(target_.string(), Reason(errno));
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }

    void Commit()
    {
        // The umask may have narrowed the kept mode. Modes are best effort: where the
        // file system refuses the change, the content still replaces the target.
        struct stat st {};
        if (keepMode_ && ::fstat(fd_.fd, &st) == 0 && (st.st_mode & 07777) != mode_)
            (void)::fchmod(fd_.fd, mode_);
        if (::fsync(fd_.fd) != 0)
            throw FileError(target_.string(), Reason(errno));
        const int fd = fd_.fd;
        fd_.fd = -1;
        if (::close(fd) != 0)
            throw FileError(target_.string(), Reason(errno));
        if (::rename(path_.c_str(), target_.c_str()) != 0)
            throw FileError(target_.string(), Reason(errno));
        path_.clear();
    }

private:
    fs::path target_;
    fs::path path_;
    bool keepMode_ = false;
    mode_t mode_ = 0;
    Fd fd_;
};

} // namespace

void ReplaceFileContents(const fs::path& target, std::span<const std::uint8_t> bytes)
{
    TemporaryFile file(target);
    file.Write(bytes.data(), bytes.size());
    file.Commit();
}

void ReplaceFileWithCopy(const fs::path& source, const fs::path& target)
{
    Fd in;
    in.fd = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in.fd < 0)
        throw FileError(source.string(), Reason(errno));
    struct stat st {};
    if (::fstat(in.fd, &st) != 0)
        throw FileError(source.string(), Reason(errno));
    if (S_ISDIR(st.st_mode))
        throw FileError(source.string(), "it is a folder");

    TemporaryFile file(target);
    std::uint8_t buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in.fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(source.string(), Reason(errno));
        }
        if (n == 0)
            break;
        file.Write(buffer, static_cast<std::size_t>(n));
    }
    file.Commit();
}

} // namespace quillmere
