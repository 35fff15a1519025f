#include "FolderDrive.h"

#include "FileAttributes.h"

#include "imaging/ReplaceFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include <dirent.h>
#include <sys/file.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

std::string Reason(int err) { return std::strerror(err); }

std::error_code Code(int err) { return {err, std::generic_category()}; }

// The names in the folder open as folder, listed through the handle, so the
// folder listed is the one the next step is opened in. Throws DriveError naming
// shownFolder when it cannot be listed.
std::vector<std::string> EntryNames(int folder, const std::string& shownFolder)
{
    UniqueFd listing(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    DIR* dir = listing ? ::fdopendir(listing.Get()) : nullptr;
    if (!dir)
        throw DriveError(shownFolder, Reason(errno), Code(errno));
    listing.Release(); // closedir closes it
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            break;
        names.emplace_back(entry->d_name);
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0)
        throw DriveError(shownFolder, Reason(err), Code(err));
    return names;
}

// The entry of the folder open as folder that matches name ignoring letter case,
// as it is spelled. Among several (LOGO.SYS beside logo.sys) the first in name
// order, whatever the spelling asked for, so that every spelling finds the same
// file. Throws DriveError naming shownFolder when it cannot be listed.
std::optional<std::string> FindEntry(int folder, const std::string& name, const std::string& shownFolder)
{
    std::optional<std::string> found;
    for (std::string& spelled : EntryNames(folder, shownFolder)) {
        if (SameIgnoringCase(spelled, name) && (!found || spelled < *found))
            found = std::move(spelled);
    }
    return found;
}

// Flushes a folder after an entry in it was made or removed; some file systems
// cannot (EINVAL), and there it is as durable as they make it.
void FlushFolder(int folder, const std::string& shownName)
{
    if (const int err = FlushFolderEntries(folder); err != 0)
        throw DriveError(shownName, "the change could not be flushed to disk: " + Reason(err), Code(err));
}

} // namespace

struct FolderDrive::Place {
    UniqueFd folder;              // the folder that holds the entry, open for reading
    std::string name;             // the entry's name there; empty: the folder itself
    std::vector<std::string> steps; // host names from the root to the entry (missing ones as asked)
    std::string missingFolder;    // the first folder on the way that is missing, as a drive path
    bool exists = false;
    struct stat st {};            // the entry, when it exists: never a symbolic link
};

FolderDrive::FolderDrive(fs::path root) : root_(std::move(root))
{
    UniqueFd fd(::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd)
        throw DriveError(root_.string(), "cannot open the drive C: folder: " + Reason(errno), Code(errno));
    rootFd_ = std::move(fd);
}

std::string FolderDrive::Description() const { return root_.string(); }

bool FolderDrive::Replaced() const noexcept
{
    struct stat now {}, held {};
    if (::stat(root_.c_str(), &now) != 0 || ::fstat(rootFd_.Get(), &held) != 0)
        return true;
    return now.st_dev != held.st_dev || now.st_ino != held.st_ino;
}

bool FolderDrive::TryLock() const
{
    // A handle of the lock's own: flock belongs to the open file, and the
    // root's handle is shared by every operation.
    if (!lockFd_) {
        lockFd_ = UniqueFd(::openat(rootFd_.Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!lockFd_)
            throw DriveError(root_.string(), "cannot open the drive C: folder: " + Reason(errno), Code(errno));
    }
    if (::flock(lockFd_.Get(), LOCK_EX | LOCK_NB) == 0)
        return true;
    if (errno == EWOULDBLOCK || errno == EINTR)
        return false;
    // A file system without locks (some network shares): there is nothing to
    // wait for, and the drive stays usable.
    if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL)
        return true;
    throw DriveError(root_.string(), "cannot lock the drive C: folder: " + Reason(errno), Code(errno));
}

void FolderDrive::Unlock() const noexcept { lockFd_ = UniqueFd(); }

FolderDrive::Place FolderDrive::Locate(std::string_view drivePath) const
{
    const std::vector<std::string> asked = DrivePathSteps(drivePath);
    std::deque<std::string> pending(asked.begin(), asked.end());

    const std::string shownPath(drivePath);
    const auto leaves = [&] {
        return DriveError(shownPath, "leads outside drive C: through a symbolic link", DriveErrc::LeavesDrive);
    };

    // The folders from the root down to the current one, each opened from the
    // one before without following a link, so ".." in a link's target goes back
    // to a handle already held and never past the root.
    std::vector<UniqueFd> folders;
    folders.emplace_back(::fcntl(rootFd_.Get(), F_DUPFD_CLOEXEC, 0));
    if (!folders.back())
        throw DriveError(shownPath, Reason(errno), Code(errno));
    Place place;
    int links = 0;
    while (!pending.empty()) {
        std::string step = std::move(pending.front());
        pending.pop_front();
        if (step.empty() || step == ".")
            continue;
        if (step == "..") {
            if (folders.size() == 1)
                throw leaves();
            folders.pop_back();
            place.steps.pop_back();
            continue;
        }
        const int folder = folders.back().Get();
        const std::optional<std::string> entry = FindEntry(folder, step, ShownDrivePath(place.steps, place.steps.size()));
        struct stat st {};
        bool there = entry.has_value();
        if (there && ::fstatat(folder, entry->c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                throw DriveError(shownPath, Reason(errno), Code(errno));
            there = false; // removed since it was listed
        }
        if (!there) {
            // Nothing of that name: a new entry is spelled as asked, and so is
            // everything below a folder that is missing.
            place.steps.push_back(entry ? *entry : step);
            if (!pending.empty())
                place.missingFolder = ShownDrivePath(place.steps, place.steps.size());
            for (std::string& rest : pending)
                place.steps.push_back(std::move(rest));
            place.name = pending.empty() ? place.steps.back() : std::string();
            place.folder = std::move(folders.back());
            return place;
        }
        if (S_ISLNK(st.st_mode)) {
            if (++links > 40)
                throw DriveError(shownPath, Reason(ELOOP), Code(ELOOP));
            std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
            const ssize_t n = ::readlinkat(folder, entry->c_str(), target.data(), target.size());
            if (n < 0)
                throw DriveError(shownPath, Reason(errno), Code(errno));
            target.resize(std::min(static_cast<std::size_t>(n), target.size()));
            // An absolute target names a place on this system, not on the drive.
            if (target.empty() || target[0] == '/')
                throw leaves();
            std::vector<std::string> parts;
            for (std::size_t from = 0; from <= target.size();) {
                std::size_t to = target.find('/', from);
                if (to == std::string::npos)
                    to = target.size();
                parts.push_back(target.substr(from, to - from));
                from = to + 1;
            }
            pending.insert(pending.begin(), parts.begin(), parts.end());
            continue;
        }
        if (pending.empty()) {
            place.steps.push_back(*entry);
            place.name = *entry;
            place.exists = true;
            place.st = st;
            place.folder = std::move(folders.back());
            return place;
        }
        if (!S_ISDIR(st.st_mode)) {
            place.steps.push_back(*entry);
            throw DriveError(shownPath, ShownDrivePath(place.steps, place.steps.size()) + " is not a folder", Code(ENOTDIR));
        }
        UniqueFd next(::openat(folder, entry->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        place.steps.push_back(*entry);
        if (!next) {
            // ELOOP: the folder was swapped for a link after it was examined.
            if (errno == ELOOP)
                throw leaves();
            throw DriveError(ShownDrivePath(place.steps, place.steps.size()), Reason(errno), Code(errno));
        }
        folders.push_back(std::move(next));
    }
    // The path names a folder reached through "..": the folder itself.
    place.exists = ::fstat(folders.back().Get(), &place.st) == 0;
    place.folder = std::move(folders.back());
    return place;
}

fs::path FolderDrive::Resolve(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    fs::path host = root_;
    for (const std::string& step : place.steps)
        host /= step;
    return host;
}

namespace {

// The entry of a place open to read its attributes or change them, checked to be
// the file or folder that was examined: without following a link and without
// blocking on a FIFO that took its place meanwhile.
UniqueFd OpenEntry(int folder, const std::string& name, const struct stat& examined, const std::string& shownName)
{
    if (name.empty())
        return UniqueFd(::fcntl(folder, F_DUPFD_CLOEXEC, 0));
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC |
                      (S_ISDIR(examined.st_mode) ? O_DIRECTORY : 0);
    UniqueFd fd(::openat(folder, name.c_str(), flags));
    if (!fd)
        throw DriveError(shownName, Reason(errno), Code(errno));
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw DriveError(shownName, Reason(errno), Code(errno));
    if (st.st_dev != examined.st_dev || st.st_ino != examined.st_ino)
        throw DriveError(shownName, "it changed while it was examined", Code(EAGAIN));
    return fd;
}

std::string NotAFileReason(mode_t mode) { return "it is " + FileTypeName(mode) + ", not a regular file"; }

} // namespace

DriveEntry FolderDrive::Inspect(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    DriveEntry entry;
    if (!place.exists)
        return entry;
    const std::string shown(drivePath);
    if (!S_ISREG(place.st.st_mode) && !S_ISDIR(place.st.st_mode)) {
        entry.type = DriveEntry::Type::Other;
        entry.typeName = FileTypeName(place.st.st_mode);
        return entry;
    }
    const UniqueFd fd = OpenEntry(place.folder.Get(), place.name, place.st, shown);
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0)
        throw DriveError(shown, Reason(errno), Code(errno));
    const std::optional<std::uint32_t> attributes = ReadFileAttributes(fd.Get());
    if (!attributes)
        throw DriveError(shown, Reason(errno), Code(errno));
    entry.type = S_ISDIR(st.st_mode) ? DriveEntry::Type::Folder : DriveEntry::Type::File;
    entry.size = S_ISREG(st.st_mode) ? static_cast<std::uintmax_t>(st.st_size) : 0;
    entry.attributes = *attributes;
    entry.links = static_cast<std::uint64_t>(st.st_nlink);
    return entry;
}

std::error_code FolderDrive::ChangeAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept
{
    try {
        const std::string_view path = fullFilePath.substr(0, kMaxAttributePath);
        const Place place = Locate(path);
        if (!place.exists)
            return std::make_error_code(std::errc::no_such_file_or_directory);
        const std::string shown(path);
        if (!S_ISREG(place.st.st_mode) && !S_ISDIR(place.st.st_mode))
            return DriveErrc::NotRegularFile;
        const UniqueFd fd = OpenEntry(place.folder.Get(), place.name, place.st, shown);
        // The mode and extended attributes belong to the file, not to its name: a
        // file with another name (a hard link, perhaps off the drive) would change
        // there too.
        struct stat st {};
        if (::fstat(fd.Get(), &st) != 0)
            return Code(errno);
        if (S_ISREG(st.st_mode) && st.st_nlink > 1)
            return DriveErrc::HardLinked;
        return WriteFileAttributes(fd.Get(), fileAttributes);
    } catch (const DriveError& e) {
        return e.code();
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    } catch (const std::exception&) {
        return std::make_error_code(std::errc::invalid_argument);
    }
}

namespace {

// The folder a new entry goes in must exist.
void RequireFolder(const std::string& missingFolder, const std::string& shownName)
{
    RequireDriveFolder(missingFolder, shownName);
}

} // namespace

void FolderDrive::MakeFolder(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    RequireFolder(place.missingFolder, shown);
    if (place.exists)
        throw DriveError(shown, "there is already " + FileTypeName(place.st.st_mode) + " of that name", Code(EEXIST));
    if (::mkdirat(place.folder.Get(), place.name.c_str(), 0777) != 0)
        throw DriveError(shown, Reason(errno), Code(errno));
    FlushFolder(place.folder.Get(), shown);
}

void FolderDrive::RemoveFolder(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    if (!place.exists || place.name.empty() || !S_ISDIR(place.st.st_mode))
        throw DriveError(shown, "it is no folder", Code(ENOTDIR));
    if (::unlinkat(place.folder.Get(), place.name.c_str(), AT_REMOVEDIR) != 0)
        throw DriveError(shown, Reason(errno), Code(errno));
    FlushFolder(place.folder.Get(), shown);
}

UniqueFd FolderDrive::OpenSource(std::string_view source) const
{
    const Place place = Locate(source);
    const std::string shown(source);
    if (!place.exists)
        throw DriveError(shown, "does not exist", Code(ENOENT));
    if (S_ISDIR(place.st.st_mode))
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    if (!S_ISREG(place.st.st_mode))
        throw DriveError(shown, NotAFileReason(place.st.st_mode), DriveErrc::NotRegularFile);
    return OpenFileToRead(place.folder.Get(), place.name, shown, false);
}

void FolderDrive::CopyFile(std::string_view source, std::string_view target) const
{
    const UniqueFd in = OpenSource(source);
    const Place place = Locate(target);
    const std::string shown(target);
    RequireFolder(place.missingFolder, shown);
    if (place.name.empty())
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    ReplaceFileAtWithCopy(place.folder.Get(), place.name, shown, in.Get(), std::string(source), kMaxDriveCopyBytes);
}

void FolderDrive::CopyIn(const fs::path& source, std::string_view target) const
{
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0 && errno == ENOENT)
        throw DriveError(source.string(), "does not exist", Code(ENOENT));
    const UniqueFd in = OpenFileToRead(AT_FDCWD, source.string(), source.string(), true);
    const Place place = Locate(target);
    const std::string shown(target);
    RequireFolder(place.missingFolder, shown);
    if (place.name.empty())
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    ReplaceFileAtWithCopy(place.folder.Get(), place.name, shown, in.Get(), source.string(), kMaxDriveCopyBytes);
}

void FolderDrive::WriteFile(std::string_view target, std::span<const std::uint8_t> bytes) const
{
    const Place place = Locate(target);
    const std::string shown(target);
    RequireFolder(place.missingFolder, shown);
    if (place.name.empty())
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    ReplaceFileAt(place.folder.Get(), place.name, shown, bytes);
}

std::string FolderDrive::ReadFile(std::string_view source, std::uintmax_t maxBytes) const
{
    const UniqueFd in = OpenSource(source);
    const std::string shown(source);
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw DriveError(shown, Reason(errno), Code(errno));
        }
        if (n == 0)
            return content;
        if (content.size() + static_cast<std::size_t>(n) > maxBytes)
            throw DriveError(shown, "is larger than " + std::to_string(maxBytes) + " bytes", DriveErrc::TooLarge);
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

void FolderDrive::RemoveFile(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    if (!place.exists)
        return;
    if (place.name.empty() || S_ISDIR(place.st.st_mode))
        throw DriveError(shown, "it is a folder", Code(EISDIR));
    if (::unlinkat(place.folder.Get(), place.name.c_str(), 0) != 0)
        throw DriveError(shown, Reason(errno), Code(errno));
    FlushFolder(place.folder.Get(), shown);
}

int FolderDrive::RemoveLeftovers(std::string_view drivePath) const
{
    const Place place = Locate(drivePath);
    const std::string shown(drivePath);
    if (!place.exists || !S_ISDIR(place.st.st_mode))
        return 0;
    UniqueFd folder(place.name.empty() ? ::fcntl(place.folder.Get(), F_DUPFD_CLOEXEC, 0)
                                       : ::openat(place.folder.Get(), place.name.c_str(),
                                                  O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder)
        throw DriveError(shown, Reason(errno), Code(errno));
    // The replace's temporaries: ".qm" and eight hex digits (ReplaceFile.cpp).
    std::vector<std::string> found;
    for (std::string& name : EntryNames(folder.Get(), shown)) {
        if (name.size() == 11 && name.starts_with(".qm") &&
            name.find_first_not_of("0123456789abcdef", 3) == std::string::npos)
            found.push_back(std::move(name));
    }
    int removed = 0;
    for (const std::string& name : found) {
        struct stat st {};
        // Only a plain file of one name: never a link, nor another file's second name.
        if (::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
            st.st_nlink != 1)
            continue;
        if (::unlinkat(folder.Get(), name.c_str(), 0) == 0)
            ++removed;
    }
    if (removed > 0)
        FlushFolder(folder.Get(), shown);
    return removed;
}

} // namespace quillmere
