#include "FileAttributes.h"

#include "DosAttrib.h"

#include <cerrno>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace quillmere {

namespace {

constexpr std::uint32_t kSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

std::error_code LastError() { return {errno, std::generic_category()}; }

bool NoExtendedAttributes(int err) { return err == ENOTSUP || err == EOPNOTSUPP; }

// The whole user.DOSATTRIB value of the file open as fd; empty when there is
// none. Sets errno and returns nullopt when it cannot be read.
std::optional<std::vector<char>> ReadDosAttrib(int fd)
{
    for (;;) {
        const ssize_t size = ::fgetxattr(fd, kDosAttribName, nullptr, 0);
        if (size < 0)
            return errno == ENODATA ? std::optional(std::vector<char>()) : std::nullopt;
        std::vector<char> value(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, kDosAttribName, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return value;
        }
        if (errno != ERANGE) // ERANGE: it grew in between; ask again
            return std::nullopt;
    }
}

} // namespace

std::optional<std::uint32_t> ReadFileAttributes(int fd) noexcept
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
    std::uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= kAttrDirectory;
    else if (!(st.st_mode & S_IWUSR))
        attributes |= kAttrReadOnly;

    try {
        const std::optional<std::vector<char>> value = ReadDosAttrib(fd);
        if (value && !value->empty()) {
            if (const std::optional<std::uint32_t> dos = ParseDosAttrib(*value))
                attributes |= *dos & kSettable;
        }
    } catch (const std::bad_alloc&) {
    }
    return attributes;
}

std::error_code WriteFileAttributes(int fd, std::uint32_t attributes) noexcept
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return LastError();
    const bool folder = S_ISDIR(st.st_mode);
    const mode_t mode = st.st_mode & 07777;
    constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;
    const mode_t wanted = folder ? mode : (attributes & kAttrReadOnly) ? mode & ~kAnyWrite : mode | S_IWUSR;

    // An ordinary user may change user.* attributes only of a file they may
    // write, so the owner's write permission comes first, even on the way to
    // read-only; the mode wanted is set afterwards whatever happens.
    mode_t now = mode;
    if (!folder && !(mode & S_IWUSR) && ::fchmod(fd, mode | S_IWUSR) == 0)
        now = mode | S_IWUSR;

    std::error_code result;
    try {
        const std::optional<std::vector<char>> existing = ReadDosAttrib(fd);
        if (!existing) {
            if (!NoExtendedAttributes(errno))
                result = LastError();
        } else if (!existing->empty() || (attributes & kSettable) != 0) {
            // Bits this program does not set (Samba keeps the folder bit in the
            // word, and others) stay as they were.
            std::uint32_t dos = (ParseDosAttrib(*existing).value_or(0) & ~kSettable) | (attributes & kSettable);
            if (folder)
                dos |= kAttrDirectory;
            const std::string value = EncodeDosAttrib(*existing, dos);
            if (::fsetxattr(fd, kDosAttribName, value.data(), value.size(), 0) != 0 &&
                !NoExtendedAttributes(errno))
                result = LastError();
        }
    } catch (const std::bad_alloc&) {
        result = std::make_error_code(std::errc::not_enough_memory);
    }

    if (now != wanted && ::fchmod(fd, wanted) != 0 && !result)
        result = LastError();
    return result;
}

} // namespace quillmere
