#include "widgets/PainterDC.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace quillmere {
namespace {

struct CopyCase {
    const char* name;
    std::int32_t x, y, w, h, xs, ys, ws, hs;
    QRect clip; // empty: none
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

class PainterCopies : public ::testing::TestWithParam<CopyCase> {};

// Whatever the painter clips, the copy shows inside the clip exactly the pixels
// the core's own drawing context puts there.
TEST_P(PainterCopies, MatchTheCoresNearestPixelRule)
{
    const CopyCase& c = GetParam();
    constexpr int SW = 13, SH = 9, DW = 48, DH = 40;
    std::vector<std::uint32_t> src(SW * SH);
    for (int i = 0; i < SW * SH; ++i)
        src[static_cast<std::size_t>(i)] = 0x010203u * static_cast<std::uint32_t>(i + 1) & 0xFFFFFFu;
    const PixelView view{reinterpret_cast<std::uint8_t*>(src.data()), SW, SH};

    std::vector<std::uint32_t> want(DW * DH, 0x00ABCDEFu);
    PixelBufferDC ref({reinterpret_cast<std::uint8_t*>(want.data()), DW, DH});
    ref.StretchBlt(c.x, c.y, c.w, c.h, view, c.xs, c.ys, c.ws, c.hs);

    QImage img(DW, DH, QImage::Format_RGB32);
    img.fill(QColor(0xAB, 0xCD, 0xEF));
    {
        QPainter p(&img);
        if (!c.clip.isEmpty())
            p.setClipRect(c.clip);
        PainterDC dc(p);
        dc.StretchBlt(c.x, c.y, c.w, c.h, view, c.xs, c.ys, c.ws, c.hs);
    }
    const QRect inside = c.clip.isEmpty() ? img.rect() : c.clip;
    for (int y = 0; y < DH; ++y) {
        for (int x = 0; x < DW; ++x) {
            const unsigned expected = inside.contains(x, y) ? want[static_cast<std::size_t>(y * DW + x)] : 0xABCDEFu;
            ASSERT_EQ(img.pixel(x, y) & 0xFFFFFFu, expected) << "at " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Copies, PainterCopies,
    ::testing::Values(CopyCase{"actual_size", 3, 4, 13, 9, 0, 0, 13, 9, {}},
                      CopyCase{"zoom3", 0, 0, 39, 27, 0, 0, 13, 9, {}},
                      CopyCase{"zoom2_partly_left_and_above", -1, -1, 30, 20, 2, 3, 15, 10, {}},
                      CopyCase{"zoom4_clipped", -3, -2, 52, 44, 0, 0, 13, 11, QRect(5, 7, 9, 6)},
                      CopyCase{"zoom2_source_past_the_picture", 0, 0, 40, 30, 6, 2, 20, 15, {}},
                      CopyCase{"clip_misses", 0, 0, 26, 18, 0, 0, 13, 9, QRect(30, 30, 5, 5)},
                      CopyCase{"mirrored_across", 25, 0, -26, 18, 0, 0, 13, 9, {}},
                      CopyCase{"mirrored_down", 0, 17, 26, -18, 0, 0, 13, 9, {}}));

struct SpanCase {
    std::int64_t dst, dstLen, src, srcLen, size, clipStart, clipEnd;
    bool visible;
    StretchSpan span;
};

void PrintTo(const SpanCase& c, std::ostream* os)
{
    *os << "destination " << c.dst << " + " << c.dstLen << ", source " << c.src << " + " << c.srcLen << ", clip "
        << c.clipStart << " ... " << c.clipEnd;
}

class VisibleSpans : public ::testing::TestWithParam<SpanCase> {};

TEST_P(VisibleSpans, WholeSourcePixelsUnderTheClip)
{
    const SpanCase& c = GetParam();
    StretchSpan s;
    ASSERT_EQ(VisibleStretchSpan(c.dst, c.dstLen, c.src, c.srcLen, c.size, c.clipStart, c.clipEnd, s), c.visible);
    if (c.visible) {
        EXPECT_EQ(s.dst, c.span.dst);
        EXPECT_EQ(s.src, c.span.src);
        EXPECT_EQ(s.count, c.span.count);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Axis, VisibleSpans,
    ::testing::Values(
        // a 640-pixel picture scrolled to 133 in a 373-pixel box: 375 pixels from 133
        SpanCase{0, 375, 133, 375, 640, 0, 373, true, {0, 133, 373}},
        // zoom 4, position 7: starts 3 pixels left of the box, pixel 1 first
        SpanCase{-3, 4 * 95, 1, 95, 400, 0, 373, true, {-3, 1, 94}},
        // an exposed strip in the middle needs only the pixels under it
        SpanCase{-3, 4 * 95, 1, 95, 400, 100, 110, true, {97, 26, 4}},
        // the two extra source pixels past the picture's end are dropped
        SpanCase{0, 2 * 77, 325, 77, 400, 0, 150, true, {0, 325, 75}},
        SpanCase{0, 50, 0, 25, 25, 60, 80, false, {}},
        SpanCase{0, 50, 0, 20, 25, 0, 50, false, {}})); // not a whole magnification

} // namespace
} // namespace quillmere
