// The three web addresses the windows open: the home page, the page for this
// program and the page where the user hears of new releases. A build names the
// home page with QUILLMERE_HOMEPAGE; without one the links lead to the About
// page of the user guide that comes with the program.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quillmere {

struct ProgramLinks {
    std::string home;
    std::string product;
    std::string mailingList;
};

// The guide page the links lead to without a home page, and its part on
// hearing of new releases.
inline constexpr std::string_view kAboutGuidePage = "about.html";
inline constexpr std::string_view kReleasesFragment = "releases";

// The links for a home page: all three are that address, which is the one page
// the program knows of. With no home page: the About page of the guide of the
// program in programFolder as a file:// URL, and that URL with #releases for
// the mailing list; all three empty when there is no guide either.
ProgramLinks MakeProgramLinks(std::string_view homepage, const std::filesystem::path& programFolder);

// MakeProgramLinks with the home page this program was built with.
ProgramLinks BuiltProgramLinks(const std::filesystem::path& programFolder);

// The file:// URL of an absolute path, every byte outside the unreserved
// characters and '/' percent-encoded.
std::string FileUrl(const std::filesystem::path& absolute);

} // namespace quillmere
