// The value of the user.DOSATTRIB extended attribute, in which Samba and Wine
// keep a file's DOS attributes on a POSIX file system. Two forms exist:
// - the text form, "0x22" (Wine writes it without a closing NUL, Samba's
//   compatible form with one);
// - Samba's binary record: that text (or an empty one) and its NUL, padding to
//   an even offset, the version (uint16), a uint32 repeating the version (the
//   union's discriminant, 4-aligned), then the version's fields: for version 1
//   the attribute word first; for version 2 a flags word, then the attribute
//   word; for versions 3 to 5 valid_flags (bit 0: the attribute word is valid),
//   the attribute word, then further fields such as the creation time. All
//   integers little-endian.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace quillmere {

// The attribute word the value holds: the binary record's word when the record
// is well formed and says the word is valid, else the text form's number.
// nullopt when the value says nothing readable.
std::optional<std::uint32_t> ParseDosAttrib(std::span<const char> value) noexcept;

// The value to store so that it holds the attribute word attributes, given the
// value stored now (empty when there is none). A well-formed binary record keeps
// its layout, version and every other field (the creation time among them): only
// its attribute word, its valid flag and its text change. Any other value is
// replaced by Samba's compatible text form, "0x%x" and its NUL.
std::string EncodeDosAttrib(std::span<const char> existing, std::uint32_t attributes);

} // namespace quillmere
