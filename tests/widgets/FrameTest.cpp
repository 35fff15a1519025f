#include "widgets/PainterDC.h"
#include "widgets/cFrame.h"
#include "imaging/Errors.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>

namespace quillmere {
namespace {

Rect32 FrameOf(const cFrame& f, bool scaled = false)
{
    Rect32 r{-9, -9, -9, -9};
    f.GetFrameRect(r.left, r.top, r.right, r.bottom, scaled);
    return r;
}

struct NormaliseCase {
    const char* name;
    Rect32 corners; // as dragged: first corner, then second
    bool crop;
    Rect32 frame;   // {-9, ...}: no frame
};

void PrintTo(const NormaliseCase& c, std::ostream* os) { *os << c.name; }

class FrameNormalisation : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(FrameNormalisation, OrdersTheCornersAndClipsToTheBounds)
{
    const NormaliseCase& c = GetParam();
    cFrame f;
    f.Init(0, 0, 640, 480);
    f.SetFrameRect(c.corners.left, c.corners.top, c.corners.right, c.corners.bottom, c.crop);
    EXPECT_EQ(FrameOf(f), c.frame);
    EXPECT_EQ(f.IsFrameEmpty(), c.frame.left == -9);
}

constexpr Rect32 kNone{-9, -9, -9, -9};
INSTANTIATE_TEST_SUITE_P(
    Drags, FrameNormalisation,
    ::testing::Values(NormaliseCase{"down_right", {10, 20, 110, 70}, false, {10, 20, 110, 70}},
                      NormaliseCase{"up_left", {110, 70, 10, 20}, false, {10, 20, 110, 70}},
                      NormaliseCase{"down_left", {110, 20, 10, 70}, false, {10, 20, 110, 70}},
                      NormaliseCase{"up_right", {10, 70, 110, 20}, false, {10, 20, 110, 70}},
                      // not clipped unless asked: the frame may leave the picture while dragging
                      NormaliseCase{"beyond_unclipped", {-20, -10, 50, 40}, false, {-20, -10, 50, 40}},
                      NormaliseCase{"beyond_top_left", {50, 40, -20, -10}, true, {0, 0, 50, 40}},
                      NormaliseCase{"beyond_bottom_right", {600, 400, 700, 500}, true, {600, 400, 640, 480}},
                      NormaliseCase{"entirely_outside", {700, 500, 800, 600}, true, kNone},
                      NormaliseCase{"touching_the_edge", {640, 0, 700, 480}, true, kNone},
                      NormaliseCase{"no_width", {5, 5, 5, 9}, false, kNone}));

struct ScaleCase {
    float factor;
    Rect32 scaled;
};

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << "scale " << c.factor; }

class FrameScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(FrameScale, ScaledSidesRoundHalvesToEven)
{
    cFrame f;
    f.Init(0, 0, 100, 100);
    f.SetFrameRect(1, 3, 5, 7);
    f.ScaleFactor(GetParam().factor);
    EXPECT_EQ(FrameOf(f, true), GetParam().scaled);
    EXPECT_EQ(FrameOf(f), (Rect32{1, 3, 5, 7}));
}

INSTANTIATE_TEST_SUITE_P(Factors, FrameScale,
                         ::testing::Values(ScaleCase{1.0f, {1, 3, 5, 7}}, ScaleCase{2.0f, {2, 6, 10, 14}},
                                           ScaleCase{1.5f, {2, 4, 8, 10}},  // 1.5 4.5 7.5 10.5
                                           ScaleCase{0.5f, {0, 2, 2, 4}},   // 0.5 1.5 2.5 3.5
                                           ScaleCase{0.0f, {0, 0, 0, 0}})); // held at 0.01

TEST(cFrame, ScaleFactorNeverGoesBelowOneHundredth)
{
    cFrame f;
    EXPECT_EQ(f.ScaleFactor(), 1.0f);
    for (float bad : {0.0f, -3.0f, 0.001f, std::nanf("")}) {
        f.ScaleFactor(bad);
        EXPECT_EQ(f.ScaleFactor(), 0.01f) << bad;
    }
    f.ScaleFactor(0.25f);
    EXPECT_EQ(f.ScaleFactor(), 0.25f);
}

TEST(cFrame, PointsInsideCountLeftAndTopButNotRightAndBottom)
{
    cFrame f;
    EXPECT_FALSE(f.IsPointInFrame(0, 0));
    f.SetFrameRect(10, 20, 110, 70);
    EXPECT_TRUE(f.IsPointInFrame(10, 20));
    EXPECT_TRUE(f.IsPointInFrame(109, 69));
    EXPECT_FALSE(f.IsPointInFrame(110, 50));
    EXPECT_FALSE(f.IsPointInFrame(50, 70));
    EXPECT_FALSE(f.IsPointInFrame(9, 50));
}

TEST(cFrame, AnEmptyFrameLeavesTheOutputsAloneAndClearingEmptiesIt)
{
    cFrame f;
    std::int32_t a = 1, b = 2, c = 3, d = 4;
    EXPECT_FALSE(f.GetFrameRect(a, b, c, d));
    EXPECT_EQ(std::vector<std::int32_t>({a, b, c, d}), std::vector<std::int32_t>({1, 2, 3, 4}));
    f.SetFrameRect(1, 1, 5, 5);
    EXPECT_FALSE(f.IsFrameEmpty());
    f.Clear();
    EXPECT_TRUE(f.IsFrameEmpty());
    f.SetFrameRect(1, 1, 5, 5);
    f.Init(0, 0, 9, 9);
    EXPECT_TRUE(f.IsFrameEmpty()) << "Init drops the frame";
}

TEST(cFrame, OffsetMovesBothRectanglesAndRefusesToWrap)
{
    cFrame f;
    f.ScaleFactor(2.0f);
    f.SetFrameRect(10, 20, 30, 40);
    f.Offset(-5, 7);
    EXPECT_EQ(FrameOf(f), (Rect32{5, 27, 25, 47}));
    EXPECT_EQ(FrameOf(f, true), (Rect32{10, 54, 50, 94}));
    EXPECT_THROW(f.Offset(INT32_MAX, 0), OverflowError);
    EXPECT_EQ(FrameOf(f), (Rect32{5, 27, 25, 47})) << "unchanged after the error";
}

// Paints the frame onto a grey image and returns it.
QImage Painted(const cFrame& f, int w, int h, int dx = 0, int dy = 0)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(128, 128, 128));
    QPainter p(&img);
    PainterDC dc(p);
    f.PaintToDC(dc, dx, dy);
    return img;
}

TEST(cFrame, TheBorderIsTheStripePatternShiftedByTheBrushIndex)
{
    cFrame f;
    f.SetFrameRect(0, 0, 16, 12);
    for (int k = 0; k < 8; ++k) {
        ASSERT_EQ(f.BrushIndex(), k);
        const QImage img = Painted(f, 20, 16);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 20; ++x) {
                const bool border = x < 16 && y < 12 && (x == 0 || x == 15 || y == 0 || y == 11);
                QRgb want = qRgb(128, 128, 128);
                if (border) // a set pattern bit is the background colour, white
                    want = (cFrame::Pattern[(y + k) % 8] >> (7 - x % 8)) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                ASSERT_EQ(img.pixel(x, y), want) << "brush " << k << " at " << x << ", " << y;
            }
        }
        f.RotateBrush();
    }
    EXPECT_EQ(f.BrushIndex(), 0) << "eight brushes, then round again";
}

TEST(cFrame, PaintsTheScaledFrameShiftedAndNothingWhenEmpty)
{
    cFrame f;
    const QImage blank = Painted(f, 40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(blank.pixel(x, y), qRgb(128, 128, 128));

    // Picture pixels 5 ... 14 at scale 2 are screen pixels 10 ... 29; shifted by (-3, -4).
    f.ScaleFactor(2.0f);
    f.SetFrameRect(5, 5, 15, 15);
    const QImage img = Painted(f, 40, 40, -3, -4);
    auto painted = [&](int x, int y) { return img.pixel(x, y) != qRgb(128, 128, 128); };
    EXPECT_TRUE(painted(7, 6) && painted(26, 6) && painted(7, 25) && painted(26, 25));
    EXPECT_FALSE(painted(6, 6) || painted(27, 10) || painted(10, 5) || painted(10, 26) || painted(15, 15));
}

} // namespace
} // namespace quillmere
