// Zip files read and written in memory with libzip. A zip comes from anyone,
// so it is examined whole before anything is inflated: how many entries, each
// entry's name, its sizes as the directory states them and how far it claims
// to compress, and whether it is encrypted. An entry's name is only ever
// compared; nothing is extracted by it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace quillmere {

// What a zip may hold before it is refused.
inline constexpr std::size_t kMaxZipEntries = 64;
inline constexpr std::uint64_t kMaxZipEntryBytes = 4u << 20;  // one entry, inflated
inline constexpr std::uint64_t kMaxZipTotalBytes = 16u << 20; // all entries, inflated
// An entry inflated beyond kZipRatioFreeBytes may be at most this many times
// its compressed size. Smaller entries are not held to it: a logo of one colour
// deflates a thousandfold, and the size limits already bound them.
inline constexpr std::uint64_t kMaxZipRatio = 100;
inline constexpr std::uint64_t kZipRatioFreeBytes = 1u << 20;
// The zip file itself: every entry stored, with room for its headers.
inline constexpr std::uint64_t kMaxZipFileBytes = kMaxZipTotalBytes + (1u << 20);

// libzip's error code (ZIP_ER_...) in the words of a message about the zip:
// "it is not a zip file", "its data are damaged (CRC error)". A code without
// plain words keeps libzip's text, as "it is damaged (...)".
std::string ZipFailureReason(int libzipCode, std::string_view libraryText);

// Why an entry's name is refused ("its name climbs out of its folder (..)"),
// or empty for a name that is only data: no ".." step, not absolute (a leading
// "/" or "\", a drive letter), no control characters.
std::string UnsafeEntryName(std::string_view name);

struct ZipEntry {
    std::uint64_t index = 0;
    std::string name;       // as stored; "/" or "\" between folders
    std::uint64_t size = 0; // inflated, as the directory states it
    std::uint64_t compressed = 0;
    bool folder = false; // the name ends in "/"
};

class ZipReader {
public:
    // Opens the zip held in bytes, which must outlive the reader, and examines
    // every entry. Throws FileError naming shownName: a damaged zip, more than
    // kMaxZipEntries entries, an encrypted entry, a name UnsafeEntryName
    // refuses, an entry beyond kMaxZipEntryBytes or kMaxZipRatio, or more than
    // kMaxZipTotalBytes in all.
    ZipReader(std::span<const std::uint8_t> bytes, std::string shownName);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    const std::vector<ZipEntry>& Entries() const noexcept { return entries_; }

    // The entry inflated, into memory. Throws FileError naming the zip and the
    // entry when its data are damaged or inflate past its stated size.
    std::string Read(const ZipEntry& entry) const;

private:
    std::string shownName_;
    zip* archive_ = nullptr;
    std::vector<ZipEntry> entries_;
};

// A zip of these files in this order, deflated, as bytes. Throws Error when
// libzip cannot make it (memory).
struct ZipMember {
    std::string name;
    std::string bytes;
};
std::vector<std::uint8_t> MakeZip(const std::vector<ZipMember>& members);

} // namespace quillmere
