// The program's built-in pictures load at the sizes the windows use, and the
// link pointer points where its hot spot is.
#include "desktop/artwork/Artwork.h"

#include <QImage>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

// How many pixels of an image are not fully transparent.
int Covered(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0;
    return count;
}

TEST(Artwork, TheProgramIconLoadsAt48Pixels)
{
    const QPixmap pixmap = artwork::ProgramIcon().pixmap(48, 48);
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(48, 48));
    // Mostly drawn, not an empty square.
    EXPECT_GT(Covered(pixmap.toImage()), 48 * 48 / 2);
}

TEST(Artwork, EveryNamedPictureDrawsAtTheSizeAsked)
{
    const struct {
        const char* name;
        QSize size;
    } kCases[] = {{"icon", {48, 48}}, {"banner", {300, 50}}, {"weblink", {32, 32}}, {"dawn", {440, 56}},
                  {"quill", {64, 64}}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const QPixmap pixmap = artwork::Picture(c.name, c.size);
        ASSERT_FALSE(pixmap.isNull());
        EXPECT_EQ(pixmap.size(), c.size);
        EXPECT_GT(Covered(pixmap.toImage()), c.size.width() * c.size.height() / 8);
    }
    EXPECT_TRUE(artwork::Picture("no such picture", {32, 32}).isNull());
}

TEST(Artwork, TheLinkPointerIsAHandWithItsFingertipAtTheHotSpot)
{
    const QCursor cursor = artwork::LinkCursor();
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(6, 0));
    const QImage image = cursor.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(qAlpha(image.pixel(6, 0)), 255);
    // Nothing above or left of the finger on the top row.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(12, 0)), 0);
}

} // namespace
} // namespace quillmere
