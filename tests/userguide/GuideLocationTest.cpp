#include "userguide/GuideLocation.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace quillmere {
namespace {

void Touch(const std::filesystem::path& file)
{
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << "<html></html>";
}

TEST(GuideLocation, FindsThePageBesideABuiltProgramFirstThenInAnInstalledTree)
{
    TempDir root;
    const std::filesystem::path bin = root.Path() / "prefix" / "bin";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(FindGuidePage(bin), std::nullopt);

    const std::filesystem::path installed = root.Path() / "prefix" / kInstalledGuideFolder / "about.html";
    Touch(installed);
    EXPECT_EQ(FindGuidePage(bin, "about.html"), std::filesystem::canonical(installed));
    EXPECT_EQ(FindGuidePage(bin, "index.html"), std::nullopt);

    const std::filesystem::path beside = bin / "guide" / "about.html";
    Touch(beside);
    EXPECT_EQ(FindGuidePage(bin, "about.html"), std::filesystem::canonical(beside));
}

TEST(GuideLocation, AFolderOfThePageNameIsNoPage)
{
    TempDir root;
    std::filesystem::create_directories(root.Path() / "guide" / "index.html");
    EXPECT_EQ(FindGuidePage(root.Path()), std::nullopt);
}

} // namespace
} // namespace quillmere
