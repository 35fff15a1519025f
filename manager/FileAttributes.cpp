#include "FileAttributes.h"

#include <cerrno>
#include <cstdio>
#include <string_view>
#include <vector>

#include <sys/stat.h>
#include <sys/xattr.h>

namespace quillmere {

namespace {

constexpr std::uint32_t kSettable = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

// Samba's record says whether its attribute word is valid (XATTR_DOSINFO_ATTRIB).
constexpr std::uint32_t kDosInfoAttribValid = 0x1;

std::error_code LastError() { return {errno, std::generic_category()}; }

bool NoExtendedAttributes(int err) { return err == ENOTSUP || err == EOPNOTSUPP; }

std::uint32_t Le16(const unsigned char* p) { return p[0] | (p[1] << 8); }
std::uint32_t Le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::optional<std::uint32_t> ParseHex(std::string_view text)
{
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text.substr(2)) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return value;
}

// Samba's binary record after the text: a 16-bit version at the next even
// offset, then the version's record at the next multiple of 4, little-endian.
std::optional<std::uint32_t> ParseRecord(std::span<const char> value, std::size_t textEnd)
{
    const auto* data = reinterpret_cast<const unsigned char*>(value.data());
    std::size_t offset = (textEnd + 1 + 1) & ~std::size_t{1};
    if (offset + 2 > value.size())
        return std::nullopt;
    const std::uint32_t version = Le16(data + offset);
    offset = (offset + 2 + 3) & ~std::size_t{3};
    switch (version) {
    case 1: // attrib first
        if (offset + 4 > value.size())
            return std::nullopt;
        return Le32(data + offset);
    case 2: // flags, attrib
    case 3: // valid flags, attrib, ...
    case 4:
    case 5: {
        if (offset + 8 > value.size())
            return std::nullopt;
        if (version >= 3 && !(Le32(data + offset) & kDosInfoAttribValid))
            return std::nullopt;
        return Le32(data + offset + 4);
    }
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<std::uint32_t> ParseDosAttrib(std::span<const char> value) noexcept
{
    const std::string_view all(value.data(), value.size());
    const std::size_t nul = all.find('\0');
    const std::string_view text = all.substr(0, nul);
    if (nul != std::string_view::npos && nul + 1 < value.size()) {
        if (auto word = ParseRecord(value, nul))
            return word;
    }
    return ParseHex(text);
}

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

    char buffer[256];
    const ssize_t n = ::getxattr(path.c_str(), kDosAttribName, buffer, sizeof buffer);
    if (n > 0) {
        if (auto dos = ParseDosAttrib({buffer, static_cast<std::size_t>(n)}))
            attributes |= *dos & kSettable;
    } else if (n < 0 && errno == ERANGE) {
        // Larger than any record Samba writes today; read it whole all the same.
        const ssize_t size = ::getxattr(path.c_str(), kDosAttribName, nullptr, 0);
        if (size > 0) {
            try {
                std::vector<char> big(static_cast<std::size_t>(size));
                const ssize_t got = ::getxattr(path.c_str(), kDosAttribName, big.data(), big.size());
                if (got > 0) {
                    if (auto dos = ParseDosAttrib({big.data(), static_cast<std::size_t>(got)}))
                        attributes |= *dos & kSettable;
                }
            } catch (const std::bad_alloc&) {
            }
        }
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

    std::uint32_t dos = attributes & kSettable;
    const ssize_t existing = ::getxattr(path.c_str(), kDosAttribName, nullptr, 0);
    if (existing < 0 && errno != ENODATA && !NoExtendedAttributes(errno))
        return LastError();
    const bool supported = existing >= 0 || errno == ENODATA;
    if (supported && (existing >= 0 || dos != 0)) {
        if (folder)
            dos |= kAttrDirectory; // Samba keeps the folder bit in the word
        // Samba's compatible form: the text and its closing NUL, which Wine reads too.
        char text[16];
        const int length = std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(dos));
        if (::setxattr(path.c_str(), kDosAttribName, text, static_cast<std::size_t>(length) + 1, 0) != 0 &&
            !NoExtendedAttributes(errno))
            return LastError();
    }

    if (!folder && (attributes & kAttrReadOnly) && (mode & (S_IWUSR | S_IWGRP | S_IWOTH))) {
        if (::chmod(path.c_str(), mode & ~(S_IWUSR | S_IWGRP | S_IWOTH)) != 0)
            return LastError();
    }
    return {};
}

} // namespace quillmere
