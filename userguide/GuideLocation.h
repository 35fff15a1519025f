// Where the user guide's pages lie. A build folder holds the guide beside the
// program (build/guide/); an installed program finds it under
// <prefix>/share/doc/quillmere/guide/ next to its bin/ folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

namespace quillmere {

// The guide folder as installed, relative to the prefix.
inline constexpr std::string_view kInstalledGuideFolder = "share/doc/quillmere/guide";

// The page (a file name such as "index.html") of the guide that belongs to the
// program in programFolder; nothing when no such page exists there.
std::optional<std::filesystem::path> FindGuidePage(const std::filesystem::path& programFolder,
                                                   std::string_view page = "index.html");

} // namespace quillmere
