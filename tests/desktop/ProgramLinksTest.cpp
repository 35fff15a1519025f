#include "desktop/ProgramLinks.h"

#include "userguide/GuideLocation.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

TEST(ProgramLinks, AHomePageIsEveryLink)
{
    TempDir root;
    fs::create_directories(root.Path() / "guide");
    std::ofstream(root.Path() / "guide" / "about.html") << "<html></html>";
    const ProgramLinks links = MakeProgramLinks("https://quillmere.example/", root.Path());
    EXPECT_EQ(links.home, "https://quillmere.example/");
    EXPECT_EQ(links.product, "https://quillmere.example/");
    EXPECT_EQ(links.mailingList, "https://quillmere.example/");
}

TEST(ProgramLinks, WithoutAHomePageTheGuidesAboutPage)
{
    TempDir root;
    const fs::path program = root.Path() / "my program é";
    fs::create_directories(program / "guide");
    ProgramLinks links = MakeProgramLinks("", program);
    EXPECT_EQ(links.home, "");
    EXPECT_EQ(links.product, "");
    EXPECT_EQ(links.mailingList, "");

    std::ofstream(program / "guide" / "about.html") << "<html></html>";
    links = MakeProgramLinks("", program);
    const std::string page = "file://" + fs::canonical(root.Path()).string() + "/my%20program%20%C3%A9/guide/about.html";
    EXPECT_EQ(links.home, page);
    EXPECT_EQ(links.product, page);
    EXPECT_EQ(links.mailingList, page + "#releases");

    // The home page this program was built with, or else the same guide page.
    const std::string built = QUILLMERE_BUILT_HOMEPAGE;
    EXPECT_EQ(BuiltProgramLinks(program).home, built.empty() ? page : built);
}

TEST(ProgramLinks, FileUrlEncodesAllButPlainCharacters)
{
    const struct {
        const char* path;
        const char* url;
    } kCases[] = {
        {"/usr/share/doc/guide/about.html", "file:///usr/share/doc/guide/about.html"},
        {"/a b/~x_y-z.html", "file:///a%20b/~x_y-z.html"},
        {"/what#?%&+.html", "file:///what%23%3F%25%26%2B.html"},
        {"/\xc3\xa9t\xc3\xa9/\xff", "file:///%C3%A9t%C3%A9/%FF"},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(FileUrl(c.path), c.url) << c.path;
}

} // namespace
} // namespace quillmere
