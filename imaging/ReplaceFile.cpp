#include "ReplaceFile.h"

#include "Errors.h"
#include "StopAtStep.h"
#include "TemporaryPaths.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

std::string Reason(int err) { return std::strerror(err); }

// A replace gives the name a new file; the file's other names would keep the old content.
const char* const kHardLinked = "it has other names (hard links), which would keep the old content, so it is "
                                "left as it is";

void (*g_observer)(ReplaceStep) = nullptr;

void Observe(ReplaceStep step)
{
    if (g_observer)
        g_observer(step);
    if (step == ReplaceStep::ContentFlushed)
        ReachedStep(kStepReplaceContentFlushed);
}

// Copies every extended attribute of one file that this user can read to
// another. The security and trusted ones are the system's (a label it sets
// itself): where this user may not set them they are left as the system makes
// them; any other that cannot be kept fails the replace.
void CopyExtendedAttributes(int from, int to, const std::string& shownName)
{
    std::vector<char> names;
    for (;;) {
        const ssize_t size = ::flistxattr(from, nullptr, 0);
        if (size < 0 && (errno == ENOTSUP || errno == EOPNOTSUPP))
            return; // the file system keeps none
        if (size < 0)
            throw FileError(shownName, "its extended attributes cannot be read: " + Reason(errno));
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::flistxattr(from, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) // ERANGE: one was added meanwhile; list them again
            throw FileError(shownName, "its extended attributes cannot be read: " + Reason(errno));
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const std::string name(names.data() + at);
        at += name.size() + 1;
        ssize_t size = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        }
        if (size < 0)
            throw FileError(shownName, "its extended attribute " + name + " cannot be read: " + Reason(errno));
        if (::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(size), 0) == 0)
            continue;
        const bool system = name.starts_with("security.") || name.starts_with("trusted.");
        if (system && (errno == EPERM || errno == EACCES || errno == ENOTSUP || errno == EOPNOTSUPP))
            continue;
        throw FileError(shownName, "its extended attribute " + name + " cannot be kept: " + Reason(errno));
    }
}

// The temporary file beside the target, removed unless committed. Given the
// file that was read (original), it takes that file's mode, owner, group and
// extended attributes, and is renamed over the name only while the name still
// names that file.
class TemporaryFile {
public:
    TemporaryFile(int folder, const std::string& name, const std::string& shownName,
                  const FileToChange* original = nullptr)
        : folder_(folder), name_(name), shown_(shownName), original_(original)
    {
        struct stat st {};
        if (original) {
            if (original->status.st_nlink > 1)
                throw FileError(shown_, kHardLinked);
            if (!(original->status.st_mode & S_IWUSR))
                throw FileError(shown_, "the file is read-only");
            keepMode_ = true;
            mode_ = original->status.st_mode & 07777;
        } else if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (S_ISDIR(st.st_mode))
                throw FileError(shown_, "it is a folder");
            // A FIFO or a device is nothing a logo or picture replaces; a link
            // here was put in place of the file the caller found, and is replaced.
            if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
                throw FileError(shown_, "it is " + FileTypeName(st.st_mode) + ", not a regular file");
            if (S_ISREG(st.st_mode)) {
                // Read-only means the owner may not write it; even root must not replace it.
                if (!(st.st_mode & S_IWUSR))
                    throw FileError(shown_, "the file is read-only");
                keepMode_ = true;
                mode_ = st.st_mode & 07777;
            }
        } else if (errno != ENOENT) {
            throw FileError(shown_, Reason(errno));
        }
        // Created with the target's mode, or the usual one (umask applied) for a new
        // file, so that no mode change is needed afterwards: file systems such as a
        // mounted FAT partition fix modes and refuse to change them.
        const mode_t createMode = keepMode_ ? mode_ : 0666;
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            // Short, so that a target name of the longest length still has room.
            char candidate[16];
            std::snprintf(candidate, sizeof candidate, ".qm%08x", static_cast<unsigned>(random()));
            fd_ = UniqueFd(::openat(folder, candidate, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                    createMode));
            if (fd_) {
                temporary_ = candidate;
                // A run ended by a signal removes it (the program's handler).
                RegisterTemporary(folder_, temporary_, TemporaryKind::File);
                return;
            }
            if (errno != EEXIST)
                throw FileError(shown_, Reason(errno));
        }
        throw FileError(shown_, "no free name for a temporary file in its folder");
    }

    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    ~TemporaryFile()
    {
        if (!temporary_.empty()) {
            ::unlinkat(folder_, temporary_.c_str(), 0);
            ForgetTemporary(folder_, temporary_);
        }
    }

    // Throws FileError naming the target; EFBIG (a file-size limit) is one such failure.
    void Write(const std::uint8_t* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_.Get(), data, size);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw FileError(shown_, Reason(errno));
            }
            data += n;
            size -= static_cast<std::size_t>(n);
        }
    }

    void Commit()
    {
        if (original_)
            KeepOwnerAndAttributes();
        // The umask may have narrowed the kept mode. Modes are best effort: where the
        // file system refuses the change, the content still replaces the target.
        struct stat st {};
        if (keepMode_ && ::fstat(fd_.Get(), &st) == 0 && (st.st_mode & 07777) != mode_)
            (void)::fchmod(fd_.Get(), mode_);
        // The content must be on disk before the rename makes it the target, or a
        // crash could leave an empty file under the target's name.
        if (::fsync(fd_.Get()) != 0)
            throw FileError(shown_, Reason(errno));
        Observe(ReplaceStep::ContentFlushed);
        if (::close(fd_.Release()) != 0)
            throw FileError(shown_, Reason(errno));
        if (original_)
            CheckNameStillNamesOriginal();
        if (::renameat(folder_, temporary_.c_str(), folder_, name_.c_str()) != 0)
            throw FileError(shown_, Reason(errno));
        ForgetTemporary(folder_, temporary_);
        temporary_.clear();
        Observe(ReplaceStep::Renamed);
        // The rename itself lives in the folder. Some file systems cannot flush a
        // folder (EINVAL); there the rename is as durable as they make it.
        if (::fsync(folder_) != 0 && errno != EINVAL && errno != EROFS)
            throw FileError(shown_, "was replaced, but the change could not be flushed to disk: " + Reason(errno));
        Observe(ReplaceStep::FolderFlushed);
    }

private:
    // Owner and group first: changing them clears the set-user-ID and
    // set-group-ID bits, which the mode then restores where they were.
    void KeepOwnerAndAttributes()
    {
        const struct stat& was = original_->status;
        struct stat now {};
        if (::fstat(fd_.Get(), &now) != 0)
            throw FileError(shown_, Reason(errno));
        // Only root gives a file away; others may still pass it to a group of theirs.
        if ((now.st_uid != was.st_uid || now.st_gid != was.st_gid) &&
            ::fchown(fd_.Get(), was.st_uid, was.st_gid) != 0) {
            // The group alone, where the user is in it; else the file keeps the user's group.
            [[maybe_unused]] const int groupKept = ::fchown(fd_.Get(), static_cast<uid_t>(-1), was.st_gid);
        }
        CopyExtendedAttributes(original_->file.Get(), fd_.Get(), shown_);
    }

    // The name may have been given to another file or a link since the read
    // (a rename in the folder). The rename below never follows a link, so what
    // could slip in after this check is at worst that entry being replaced,
    // never a file elsewhere written.
    void CheckNameStillNamesOriginal() const
    {
        struct stat now {};
        if (::fstatat(folder_, name_.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                throw FileError(shown_, Reason(errno));
            throw FileError(shown_, "it was removed or renamed while it was being changed, so nothing was written");
        }
        if (now.st_dev != original_->status.st_dev || now.st_ino != original_->status.st_ino)
            throw FileError(shown_, "another file was put in its place while it was being changed, so it is "
                                    "left as it is");
        if (now.st_nlink > 1)
            throw FileError(shown_, kHardLinked);
    }

    int folder_;
    std::string name_;
    std::string shown_;
    const FileToChange* original_;
    std::string temporary_;
    bool keepMode_ = false;
    mode_t mode_ = 0;
    UniqueFd fd_;
};

// The file a chain of symbolic links ends at (target itself when it is no link).
fs::path FollowLinks(const fs::path& target)
{
    fs::path path = target;
    for (int links = 0; links < 40; ++links) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::string buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            throw FileError(target.string(), Reason(errno));
        if (static_cast<std::size_t>(n) >= buffer.size())
            continue; // the link changed while it was read; read it again
        buffer.resize(static_cast<std::size_t>(n));
        const fs::path next(buffer);
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    throw FileError(target.string(), Reason(ELOOP));
}

// The folder of path, open for writing into, and the name in it.
UniqueFd OpenFolderOf(const fs::path& path, const std::string& shownName, std::string& name)
{
    name = path.filename().string();
    if (name.empty() || name == "." || name == "..")
        throw FileError(shownName, "it is a folder");
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // The folder is what is wrong: say so, rather than "No such file or directory".
    if (!fd && errno == ENOENT)
        throw FileError(shownName, "the folder " + folder.string() + " does not exist");
    if (!fd && errno == ENOTDIR)
        throw FileError(shownName, folder.string() + " is not a folder");
    if (!fd)
        throw FileError(shownName, Reason(errno));
    return fd;
}

} // namespace

std::string FileTypeName(mode_t mode)
{
    switch (mode & S_IFMT) {
    case S_IFREG:
        return "a regular file";
    case S_IFDIR:
        return "a folder";
    case S_IFIFO:
        return "a FIFO";
    case S_IFSOCK:
        return "a socket";
    case S_IFCHR:
        return "a character device";
    case S_IFBLK:
        return "a block device";
    case S_IFLNK:
        return "a symbolic link";
    default:
        return "a special file";
    }
}

UniqueFd OpenFileToRead(int folder, const std::string& name, const std::string& shownName, bool followLinks)
{
    // O_NONBLOCK: opening a FIFO for reading would wait for a writer. O_NOCTTY: a
    // terminal never becomes ours.
    const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    UniqueFd fd(::openat(folder, name.c_str(), flags));
    if (!fd)
        throw FileError(shownName, errno == ELOOP && !followLinks ? "it is a symbolic link" : Reason(errno));
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw FileError(shownName, Reason(errno));
    if (!S_ISREG(st.st_mode))
        throw FileError(shownName, "it is " + FileTypeName(st.st_mode) + ", not a regular file");
    // A regular file never blocks; reads should simply wait for the disk.
    const int status = ::fcntl(fd.Get(), F_GETFL);
    if (status >= 0)
        (void)::fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

namespace {

void ReplaceFileAtWithPieces(int folder, const std::string& name, const std::string& shownName,
                             std::span<const std::span<const std::uint8_t>> pieces)
{
    TemporaryFile file(folder, name, shownName);
    for (const std::span<const std::uint8_t> piece : pieces)
        file.Write(piece.data(), piece.size());
    file.Commit();
}

} // namespace

void ReplaceFileAt(int folder, const std::string& name, const std::string& shownName,
                   std::span<const std::uint8_t> bytes)
{
    ReplaceFileAtWithPieces(folder, name, shownName, {&bytes, 1});
}

void ReplaceFileAtWithCopy(int folder, const std::string& name, const std::string& shownName, int source,
                           const std::string& sourceName, std::uintmax_t maxBytes)
{
    const std::string tooLarge = "is larger than " + std::to_string(maxBytes) + " bytes, more than any logo or "
                                 "picture needs, so it is not copied";
    struct stat st {};
    if (::fstat(source, &st) != 0)
        throw FileError(sourceName, Reason(errno));
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes)
        throw FileError(sourceName, tooLarge);

    TemporaryFile file(folder, name, shownName);
    std::uint8_t buffer[1 << 16];
    std::uintmax_t copied = 0;
    for (;;) {
        const ssize_t n = ::read(source, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(sourceName, Reason(errno));
        }
        if (n == 0)
            break;
        // The size said at the start is no promise: the file may grow while it is read.
        copied += static_cast<std::uintmax_t>(n);
        if (copied > maxBytes)
            throw FileError(sourceName, tooLarge);
        file.Write(buffer, static_cast<std::size_t>(n));
    }
    file.Commit();
}

void ReplaceFileContents(const fs::path& target, std::span<const std::uint8_t> bytes)
{
    ReplaceFileContents(target, {&bytes, 1});
}

void ReplaceFileContents(const fs::path& target, std::span<const std::span<const std::uint8_t>> pieces)
{
    std::string name;
    const UniqueFd folder = OpenFolderOf(FollowLinks(target), target.string(), name);
    ReplaceFileAtWithPieces(folder.Get(), name, target.string(), pieces);
}

void ReplaceFileWithCopy(const fs::path& source, const fs::path& target, std::uintmax_t maxBytes)
{
    const UniqueFd in = OpenFileToRead(AT_FDCWD, source.string(), source.string(), true);
    std::string name;
    const UniqueFd folder = OpenFolderOf(FollowLinks(target), target.string(), name);
    ReplaceFileAtWithCopy(folder.Get(), name, target.string(), in.Get(), source.string(), maxBytes);
}

FileToChange ReadFileToChange(const fs::path& path, std::uintmax_t maxBytes, const std::string& tooLarge)
{
    FileToChange f;
    f.shownName = path.string();
    // Links are followed here alone; from here on the folder's descriptor and
    // the name in it are all there is, and the name must not be a link.
    f.folder = OpenFolderOf(FollowLinks(path), f.shownName, f.name);
    f.file = OpenFileToRead(f.folder.Get(), f.name, f.shownName, false);
    if (::fstat(f.file.Get(), &f.status) != 0)
        throw FileError(f.shownName, Reason(errno));
    std::uint8_t chunk[1 << 16];
    for (;;) {
        const ssize_t got = ::read(f.file.Get(), chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileError(f.shownName, Reason(errno));
        if (got == 0)
            break;
        f.bytes.insert(f.bytes.end(), chunk, chunk + got);
        if (f.bytes.size() > maxBytes)
            throw FileError(f.shownName, tooLarge);
    }
    Observe(ReplaceStep::FileRead);
    return f;
}

void ReplaceReadFile(const FileToChange& file, std::span<const std::uint8_t> bytes)
{
    TemporaryFile temporary(file.folder.Get(), file.name, file.shownName, &file);
    temporary.Write(bytes.data(), bytes.size());
    temporary.Commit();
}

int FlushFolderEntries(int folder) noexcept
{
    const int result = ::fsync(folder) == 0 || errno == EINVAL || errno == EROFS ? 0 : errno;
    if (result == 0)
        Observe(ReplaceStep::FolderFlushed);
    return result;
}

void ObserveReplaceSteps(void (*observer)(ReplaceStep)) noexcept { g_observer = observer; }

} // namespace quillmere
