// DOS file attributes on a POSIX file system. Read-only is the owner's write
// permission; hidden, system and archive live in the extended attribute
// user.DOSATTRIB as Samba and Wine keep them (DosAttrib.h: the text "0x22" or
// Samba's binary record), so the same files keep their meaning for those
// programs. Where the file system has no extended attributes, files are never
// hidden or system.
#pragma once

#include <cstdint>
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

// The attributes of the file or folder open as fd: kAttrDirectory for a folder,
// kAttrReadOnly when the owner may not write a file (or user.DOSATTRIB marks it
// read-only), and hidden, system and archive from user.DOSATTRIB. nullopt when
// fd cannot be examined.
std::optional<std::uint32_t> ReadFileAttributes(int fd) noexcept;

// Gives the file open as fd (for reading is enough) exactly these attributes
// among read-only, hidden, system and archive: read-only takes away every write
// permission (owner, group and others), its absence gives the owner write
// permission back; the others are written to user.DOSATTRIB (which is left alone
// when it is absent and nothing is to be set; Samba's record keeps its layout and
// its other fields, and bits beyond these four are kept). A file system without
// extended attributes skips that part. The mode is set even when user.DOSATTRIB
// cannot be written. Returns the error, if any.
std::error_code WriteFileAttributes(int fd, std::uint32_t attributes) noexcept;

} // namespace quillmere
