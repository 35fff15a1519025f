#include "desktop/ProgramLinks.h"

#include "BuiltHomePage.h"
#include "userguide/GuideLocation.h"

#include <optional>

namespace quillmere {

ProgramLinks MakeProgramLinks(std::string_view homepage, const std::filesystem::path& programFolder)
{
    if (!homepage.empty())
        return {std::string(homepage), std::string(homepage), std::string(homepage)};
    const std::optional<std::filesystem::path> page = FindGuidePage(programFolder, kAboutGuidePage);
    if (!page)
        return {};
    const std::string url = FileUrl(*page);
    return {url, url, url + '#' + std::string(kReleasesFragment)};
}

ProgramLinks BuiltProgramLinks(const std::filesystem::path& programFolder)
{
    return MakeProgramLinks(kBuiltHomePage, programFolder);
}

std::string FileUrl(const std::filesystem::path& absolute)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : absolute.native()) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                           byte == '~' || byte == '/';
        if (plain) {
            url += c;
        } else {
            url += '%';
            url += kHex[byte >> 4];
            url += kHex[byte & 0x0F];
        }
    }
    return url;
}

} // namespace quillmere
