// The logo format test: a file is taken for a logo by its name and size alone.
// Nothing inside it is examined.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace quillmere {

// The verdict texts the windows and the command line show.
inline constexpr std::string_view kValidFormat = "Valid Format";
inline constexpr std::string_view kWrongFormat = "Wrong Format";

// The last three characters are exactly "sys" or "bmp" (letter case counts).
bool HasLogoEnding(std::string_view name) noexcept;

// More than 128000 and fewer than 131000 bytes.
bool HasLogoSize(std::uintmax_t bytes) noexcept;

// Both of the above, the size read from the file system now. A file that
// cannot be read (missing, a folder) is not a logo.
bool IsValidLogo(const std::filesystem::path& path);

} // namespace quillmere
