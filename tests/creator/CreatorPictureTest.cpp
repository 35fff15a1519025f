// What the Logo Creator keeps of its picture, without the window.
#include "creator/CreatorPicture.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

TEST(CreatorPictureTest, SaveDialogOpensInTheLastLogosFolderElseThePicturesFolderElseHome)
{
    const struct {
        fs::path lastSaved, pictures, expected;
    } cases[] = {
        {"/data/logos/mine.bmp", "/home/u/Pictures", "/data/logos"},
        {"", "/home/u/Pictures", "/home/u/Pictures"},
        {"", "", "/home/u"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveDialogFolder(c.lastSaved, c.pictures, "/home/u"), c.expected) << c.lastSaved << c.pictures;
}

// The progress bar follows every ditherer, the one after a close too.
TEST(CreatorPictureTest, ANewDithererIsObservedAsTheOldOneWas)
{
    struct : ProgressObserver {
        void Progress(std::int32_t) override {}
        void ProgressEnd() override {}
    } observer;
    CreatorPicture picture;
    picture.ObserveDither(&observer);
    picture.Release();
    EXPECT_EQ(picture.Dither().progressObserver(), &observer);
}

} // namespace
} // namespace quillmere
