// Replacing a file without ever leaving a half-written one: the new content goes
// to a temporary file in the destination's folder, is flushed, and is renamed
// over the destination only when complete. On any failure the destination is
// untouched and no temporary file remains.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace quillmere {

// Replaces (or creates) target with exactly these bytes. Throws FileError naming
// target and the reason. A read-only target (its owner may not write it) is
// refused, as are a missing folder and a folder that cannot be written.
void ReplaceFileContents(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);

// The same with the content of source, read as it is copied. Throws FileError
// naming source when it cannot be read, else naming target.
void ReplaceFileWithCopy(const std::filesystem::path& source, const std::filesystem::path& target);

} // namespace quillmere
