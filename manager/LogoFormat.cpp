#include "LogoFormat.h"

#include <system_error>

namespace quillmere {

bool HasLogoEnding(std::string_view name) noexcept
{
    return name.ends_with("sys") || name.ends_with("bmp");
}

bool HasLogoSize(std::uintmax_t bytes) noexcept
{
    return bytes > 128000 && bytes < 131000;
}

bool IsValidLogo(const std::filesystem::path& path)
{
    std::error_code ec;
    if (!HasLogoEnding(path.native()) || !std::filesystem::is_regular_file(path, ec))
        return false;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    return !ec && HasLogoSize(size);
}

} // namespace quillmere
