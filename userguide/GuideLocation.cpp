#include "userguide/GuideLocation.h"

#include <system_error>

namespace quillmere {

std::optional<std::filesystem::path> FindGuidePage(const std::filesystem::path& programFolder,
                                                   std::string_view page)
{
    const std::filesystem::path candidates[] = {
        programFolder / "guide" / page,
        programFolder.parent_path() / kInstalledGuideFolder / page,
    };
    for (const std::filesystem::path& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return std::filesystem::weakly_canonical(candidate, error);
    }
    return std::nullopt;
}

} // namespace quillmere
