#include "imaging/DrawingContext.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillmere {
namespace {

PixelView View(std::vector<std::uint32_t>& px, std::int32_t w, std::int32_t h)
{
    return {reinterpret_cast<std::uint8_t*>(px.data()), w, h};
}

TEST(PixelBufferDC, NegativeExtentsMirrorAndACopyOntoItselfReadsOldPixels)
{
    std::vector<std::uint32_t> px = {1, 2, 3, 4, 5, 6};
    PixelBufferDC dc(View(px, 3, 2));
    dc.StretchBlt(2, 0, -3, 2, dc.Pixels(), 0, 0, 3, 2);
    EXPECT_EQ(px, (std::vector<std::uint32_t>{3, 2, 1, 6, 5, 4}));
    dc.StretchBlt(0, 1, 3, -2, dc.Pixels(), 0, 0, 3, 2);
    EXPECT_EQ(px, (std::vector<std::uint32_t>{6, 5, 4, 3, 2, 1}));
}

TEST(PixelBufferDC, NegativeSourceExtentsReadBackwardsFromTheirStart)
{
    // A source extent of -n reads the n pixels left of (or above) its start, last first.
    struct Case {
        const char* name;
        std::int32_t x, w, xs, ws; // one row: destination and source columns
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"mirrored", 0, 3, 3, -3, {3, 2, 1}},
        {"mirrored and doubled", 0, 6, 3, -3, {3, 3, 2, 2, 1, 1}},
        {"mirrored part", 0, 2, 2, -2, {2, 1, 0, 0, 0, 0}},
        {"both negative: not mirrored", 2, -3, 3, -3, {1, 2, 3, 0, 0, 0}},
    };
    std::vector<std::uint32_t> src = {1, 2, 3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint32_t> dst(c.expected.size(), 0);
        PixelBufferDC dc(View(dst, static_cast<std::int32_t>(dst.size()), 1));
        dc.StretchBlt(c.x, 0, c.w, 1, View(src, 3, 1), c.xs, 0, c.ws, 1);
        EXPECT_EQ(dst, c.expected);
    }
    // The same down a column.
    std::vector<std::uint32_t> dst(3, 0);
    PixelBufferDC dc(View(dst, 1, 3));
    dc.StretchBlt(0, 0, 1, 3, View(src, 1, 3), 0, 3, 1, -3);
    EXPECT_EQ(dst, (std::vector<std::uint32_t>{3, 2, 1}));
}

TEST(PixelBufferDC, OverlappingCopyOntoTheSamePictureReadsTheOldRows)
{
    // A 2 x 3 picture copied onto itself one row down or up, unscaled and scaled 1:1.
    struct Case {
        const char* name;
        bool stretch;
        std::int32_t y, ys;
        std::vector<std::uint32_t> expected;
    };
    const Case cases[] = {
        {"plain copy one row down", false, 1, 0, {1, 2, 1, 2, 3, 4}},
        {"plain copy one row up", false, 0, 1, {3, 4, 5, 6, 5, 6}},
        {"scaled copy one row down", true, 1, 0, {1, 2, 1, 2, 3, 4}},
        {"scaled copy one row up", true, 0, 1, {3, 4, 5, 6, 5, 6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint32_t> px = {1, 2, 3, 4, 5, 6};
        PixelBufferDC dc(View(px, 2, 3));
        if (c.stretch)
            dc.StretchBlt(0, c.y, 2, 2, dc.Pixels(), 0, c.ys, 2, 2);
        else
            dc.BitBlt(0, c.y, 2, 2, dc.Pixels(), 0, c.ys);
        EXPECT_EQ(px, c.expected);
    }
}

TEST(PixelBufferDC, CopiesAreClippedToBothPictures)
{
    std::vector<std::uint32_t> src = {1, 2, 3, 4};
    std::vector<std::uint32_t> dst(9, 0);
    PixelBufferDC dc(View(dst, 3, 3));
    dc.BitBlt(-1, 2, 5, 5, View(src, 2, 2), 0, 0); // only (1, 0) of src lands, at (0, 2)
    EXPECT_EQ(dst, (std::vector<std::uint32_t>{0, 0, 0, 0, 0, 0, 2, 0, 0}));
    dc.BitBlt(0, 0, 3, 3, View(src, 2, 2), 1, 1); // one pixel of src is left from (1, 1)
    EXPECT_EQ(dst, (std::vector<std::uint32_t>{4, 0, 0, 0, 0, 0, 2, 0, 0}));
    dc.FillRect(2, -5, 10, 2, 0x000000FF); // red, clipped to column 2, rows 0 and 1
    EXPECT_EQ(dst, (std::vector<std::uint32_t>{4, 0, 0x00FF0000, 0, 0, 0x00FF0000, 2, 0, 0}));
}

TEST(PixelBufferDC, HugeExtentsTouchOnlyTheVisiblePixels)
{
    std::vector<std::uint32_t> src = {1, 2};
    std::vector<std::uint32_t> dst(3, 0);
    PixelBufferDC dc(View(dst, 3, 1));
    const std::int32_t huge = 1 << 30;
    // Forwards: columns 0..2 lie in the first half, which shows source pixel 0.
    dc.StretchBlt(0, 0, huge, 1, View(src, 2, 1), 0, 0, 2, 1);
    EXPECT_EQ(dst, (std::vector<std::uint32_t>{1, 1, 1}));
    // Mirrored from far right: the visible columns are the last steps, which read
    // the second half of the source.
    dc.StretchBlt(huge - 1, 0, -huge, 1, View(src, 2, 1), 0, 0, 2, 1);
    EXPECT_EQ(dst, (std::vector<std::uint32_t>{2, 2, 2}));
    // Starting left of the picture: column 0 is step huge / 2 + 1, in the second half.
    dc.StretchBlt(-huge / 2 - 1, 0, huge, 1, View(src, 2, 1), 0, 0, 2, 1);
    EXPECT_EQ(dst, (std::vector<std::uint32_t>{2, 2, 2}));
}

} // namespace
} // namespace quillmere
