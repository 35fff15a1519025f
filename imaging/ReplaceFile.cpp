#include "ReplaceFile.h"

#include "Errors.h"

#include <cerrno>
#include <cstring>
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
            mode_ = st.st_mode & 07777;
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            mode_ = 0666 & ~mask;
        }
        const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
        std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
        fd_.fd = ::mkstemp(pattern.data());
        if (fd_.fd < 0)
            throw FileError(target.string(), Reason(errno));
        path_ = pattern;
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
        if (::fchmod(fd_.fd, mode_) != 0 || ::fsync(fd_.fd) != 0)
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
    mode_t mode_ = 0644;
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
