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

// The whole user.DOSATTRIB value of path; empty when there is none. Sets errno
// and returns nullopt when it cannot be read.
std::optional<std::vector<char>> ReadDosAttrib(const std::filesystem::path& path)
{
    for (;;) {
        const ssize_t size = ::getxattr(path.c_str(), kDosAttribName, nullptr, 0);
        if (size < 0)
            return errno == ENODATA ? std::optional(std::vector<char>()) : std::nullopt;
        std::vector<char> value(static_cast<std::size_t>(size));
        const ssize_t got = ::getxattr(path.c_str(), kDosAttribName, value.data(), value.size());
        if (got >= 0) {
            value.resize(static_cast<std::size_t>(got));
            return value;
        }
        if (errno != ERANGE) // ERANGE: it grew in between; ask again
            return std::nullopt;
    }
}

} // namespace

std::optional<std::uint32_t> ReadFileAttributes(const std::filesystem::path& path) noexcept
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    std::uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= kAttrDirectory;
    else if (!(st.st_mode & S_IWUSR))
        attributes |= kAttrReadOnly;

    try {
        const std::optional<std::vector<char>> value = ReadDosAttrib(path);
        if (value && !value->empty()) {
            if (const std::optional<std::uint32_t> dos = ParseDosAttrib(*value))
                attributes |= *dos & kSettable;
        }
    } catch (const std::bad_alloc&) {
    }
    return attributes;
}

std::error_code WriteFileAttributes(const std::filesystem::path& path, std::uint32_t attributes) noexcept
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return LastError();
    const bool folder = S_ISDIR(st.st_mode);
    const mode_t mode = st.st_mode & 07777;

    // Write permission first: an ordinary user may change user.* attributes
    // only of a file they may write.
    if (!folder && !(attributes & kAttrReadOnly) && !(mode & S_IWUSR)) {
        if (::chmod(path.c_str(), mode | S_IWUSR) != 0)
            return LastError();
    }

    try {
        const std::optional<std::vector<char>> existing = ReadDosAttrib(path);
        if (!existing) {
            if (!NoExtendedAttributes(errno))
                return LastError();
        } else if (!existing->empty() || (attributes & kSettable) != 0) {
            // Bits this program does not set (Samba keeps the folder bit in the
            // word, and others) stay as they were.
            std::uint32_t dos = (ParseDosAttrib(*existing).value_or(0) & ~kSettable) | (attributes & kSettable);
            if (folder)
                dos |= kAttrDirectory;
            const std::string value = EncodeDosAttrib(*existing, dos);
            if (::setxattr(path.c_str(), kDosAttribName, value.data(), value.size(), 0) != 0 &&
                !NoExtendedAttributes(errno))
                return LastError();
        }
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    }

    if (!folder && (attributes & kAttrReadOnly) && (mode & (S_IWUSR | S_IWGRP | S_IWOTH))) {
        if (::chmod(path.c_str(), mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) != 0)
            return LastError();
    }
    return {};
}

} // namespace quillmere
