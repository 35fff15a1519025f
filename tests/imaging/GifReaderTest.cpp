// GIF: the first picture on its logical screen, its own colour table, and the
// smallest depth that holds that table.
#include "imaging/decode/PictureLoader.h"
#include "support/PictureFixtures.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using testing::EncodeGif;
using testing::GifSpec;

std::vector<std::uint32_t> Grey(int n)
{
    std::vector<std::uint32_t> c(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        c[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(i) * 0x010101u;
    return c;
}

std::vector<std::uint32_t> Pixels(const DecodedPicture& p)
{
    return {p.Pixels.get(), p.Pixels.get() + static_cast<std::size_t>(p.Width) * p.Height};
}

TEST(GifReader, DepthIsTheSmallestThatHoldsTheColourTable)
{
    struct Case {
        int colours;   // entries in the file's table (giflib rounds up to a power of 2)
        int depth;
    };
    const Case cases[] = {{2, 1}, {3, 4}, {16, 4}, {17, 8}, {256, 8}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colours);
        GifSpec s;
        s.globalColours = Grey(c.colours);
        s.indices.assign(16, static_cast<std::uint8_t>(c.colours - 1));
        const DecodedPicture p = DecodePicture(EncodeGif(s), "t.gif");
        EXPECT_EQ(p.BitsPerPixel, c.depth);
        EXPECT_EQ(p.ColorTable.size(), std::size_t{4} << c.depth);
        EXPECT_EQ(Pixels(p)[5], Grey(c.colours).back());
    }
}

TEST(GifReader, LocalTableWinsAndIndicesArePackedBottomUp)
{
    GifSpec s;
    s.globalColours = {0xFF0000, 0x00FF00};
    s.localColours = {0x000001, 0x000002, 0x000003, 0x000004};
    s.width = s.screenWidth = 3;
    s.height = s.screenHeight = 2;
    s.indices = {0, 1, 2, 3, 2, 1};
    const DecodedPicture p = DecodePicture(EncodeGif(s), "t.gif");
    EXPECT_EQ(p.BitsPerPixel, 4);
    EXPECT_EQ(Pixels(p), (std::vector<std::uint32_t>{1, 2, 3, 4, 3, 2}));
    EXPECT_EQ(p.Indices, (std::vector<std::uint8_t>{0x32, 0x10, 0, 0, 0x01, 0x20, 0, 0}));
}

TEST(GifReader, InterlacedRowsLandInPlace)
{
    GifSpec s;
    s.globalColours = Grey(16);
    s.width = s.screenWidth = 1;
    s.height = s.screenHeight = 11;
    s.interlace = true;
    for (int r = 0; r < 11; ++r)
        s.indices.push_back(static_cast<std::uint8_t>(r));
    const DecodedPicture p = DecodePicture(EncodeGif(s), "t.gif");
    const auto px = Pixels(p);
    for (int r = 0; r < 11; ++r)
        EXPECT_EQ(px[static_cast<std::size_t>(r)], static_cast<std::uint32_t>(r) * 0x010101u) << "row " << r;
}

TEST(GifReader, PictureSmallerThanTheScreenSitsOnTheBackground)
{
    GifSpec s;
    s.screenWidth = 3;
    s.screenHeight = 2;
    s.background = 2;
    s.globalColours = {0x000010, 0x000020, 0x000030};
    s.left = 1, s.top = 1, s.width = 2, s.height = 1;
    s.indices = {0, 1};
    const DecodedPicture p = DecodePicture(EncodeGif(s), "t.gif");
    EXPECT_EQ(p.Width, 3);
    EXPECT_EQ(p.Height, 2);
    EXPECT_EQ(Pixels(p), (std::vector<std::uint32_t>{0x30, 0x30, 0x30, 0x30, 0x10, 0x20}));
}

} // namespace
} // namespace quillmere
