// DOS file attributes on a POSIX file system. Read-only is the owner's write
// permission; hidden, system and archive live in the extended attribute
// user.DOSATTRIB as Samba and Wine keep them (DosAttrib.h: the text "0x22" or
// Samba's binary record), so the same files keep their meaning for those
// programs. Where the file system has no extended attributes, files are never
// hidden or system.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <system_error>

namespace quillmere {

inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;

// The name of the extended attribute that holds them.
inline constexpr const char* kDosAttribName = "user.DOSATTRIB";

// The attributes of a file or folder: kAttrDirectory for a folder, kAttrReadOnly
// when the owner may not write a file (or user.DOSATTRIB marks it read-only), and
// hidden, system and archive from user.DOSATTRIB. nullopt when nothing is there.
std::optional<std::uint32_t> ReadFileAttributes(const std::filesystem::path& path) noexcept;

// Gives the file exactly these attributes among read-only, hidden, system and
// archive: read-only takes away every write permission, its absence gives the
// owner write permission back; the others are written to user.DOSATTRIB (which
// is left alone when it is absent and nothing is to be set; Samba's record keeps
// its layout and its other fields, and bits beyond these four are kept). A file system
// without extended attributes skips that part. Returns the error, if any
// (std::errc::no_such_file_or_directory for a missing file).
std::error_code WriteFileAttributes(const std::filesystem::path& path, std::uint32_t attributes) noexcept;

} // namespace quillmere
