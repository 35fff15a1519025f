#include "CanvasFixture.h"
#include "imaging/Errors.h"
#include "widgets/cFrame.h"

#include <QMenu>

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using testing::CanvasOnScreen;
using testing::Grab;
using testing::PaintCounter;
using testing::PixelAt;
using testing::Rgb;

struct LayoutCase {
    const char* name;
    int picW, picH, ctlW, ctlH;
    std::int32_t zoom;
    QRect box;
    std::int32_t hMax, vMax, hPos, vPos;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class CanvasLayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(CanvasLayoutTable, BoxScrollingCursorAndEveryPaintedPixel)
{
    const LayoutCase& c = GetParam();
    CanvasOnScreen s(c.picW, c.picH, c.ctlW, c.ctlH, c.zoom);
    std::int32_t hMax, vMax, hPos, vPos;
    s.Scroll(hMax, vMax, hPos, vPos);
    EXPECT_EQ(s.box->geometry(), c.box);
    EXPECT_EQ(hMax, c.hMax);
    EXPECT_EQ(vMax, c.vMax);
    EXPECT_EQ(hPos, c.hPos);
    EXPECT_EQ(vPos, c.vPos);
    const bool scrolls = c.hMax != 0 || c.vMax != 0;
    EXPECT_EQ(s.box->testAttribute(Qt::WA_SetCursor), scrolls);
    if (scrolls) {
        EXPECT_EQ(s.box->cursor().shape(), Qt::OpenHandCursor);
    }

    // Inside the box each screen pixel shows the picture pixel under it at this
    // zoom; around it is the workspace colour.
    const QImage img = Grab(s.canvas);
    for (int y = 0; y < c.ctlH; ++y) {
        for (int x = 0; x < c.ctlW; ++x) {
            const QPoint p(x, y);
            const unsigned want = c.box.contains(p) ? PixelAt((hPos + x - c.box.x()) / c.zoom,
                                                             (vPos + y - c.box.y()) / c.zoom)
                                                    : s.Workspace();
            ASSERT_EQ(Rgb(img, x, y), want) << "at " << x << ", " << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, CanvasLayoutTable,
    ::testing::Values(LayoutCase{"small_centred", 200, 150, 373, 359, 1, {86, 104, 200, 150}, 0, 0, 0, 0},
                      LayoutCase{"large_scrolls", 640, 480, 373, 359, 1, {0, 0, 373, 359}, 267, 121, 133, 60},
                      LayoutCase{"zoom2_blocks", 100, 100, 150, 150, 2, {0, 0, 150, 150}, 50, 50, 25, 25},
                      LayoutCase{"zoom3_odd_start", 100, 100, 150, 150, 3, {0, 0, 150, 150}, 150, 150, 75, 75},
                      // Scrolled 74 in (2 into a picture pixel) and 152 wide (not a whole
                      // number of picture pixels): the last column and row start one more.
                      LayoutCase{"zoom3_both_remainders", 100, 100, 152, 152, 3, {0, 0, 152, 152}, 148, 148,
                                 74, 74},
                      LayoutCase{"wide_scrolls_across", 640, 100, 373, 359, 1, {0, 129, 373, 100}, 267, 0, 133, 0},
                      LayoutCase{"zoom2_fits", 40, 40, 150, 150, 2, {35, 35, 80, 80}, 0, 0, 0, 0}));

TEST(ucCanvas, FitModeScalesTheWholePictureIntoTheControl)
{
    CanvasOnScreen s(640, 480, 373, 359, 1, true);
    EXPECT_EQ(s.box->geometry(), QRect(0, 39, 373, 280));
    std::int32_t hMax, vMax, hPos, vPos;
    s.Scroll(hMax, vMax, hPos, vPos);
    EXPECT_EQ(hMax | vMax | hPos | vPos, 0);
    EXPECT_FALSE(s.box->testAttribute(Qt::WA_SetCursor));
    const QImage img = Grab(*s.box);
    EXPECT_EQ(Rgb(img, 0, 0), PixelAt(0, 0));
    EXPECT_EQ(Rgb(img, 372, 279), PixelAt(639, 479));
    EXPECT_EQ(s.canvas.Frame(), nullptr) << "the frame is made on first use";
}

TEST(ucCanvas, ZoomBelowOneReadsOneAndTakesEffectAtResize)
{
    ucCanvas c;
    for (std::int32_t z : {0, -3, INT32_MIN}) {
        c.Zoom(z);
        EXPECT_EQ(c.Zoom(), 1) << z;
    }
    CanvasOnScreen s(100, 100, 150, 150);
    s.canvas.Zoom(2);
    EXPECT_EQ(s.box->geometry(), QRect(25, 25, 100, 100)) << "no new layout before Resize";
    s.canvas.Resize();
    EXPECT_EQ(s.box->geometry(), QRect(0, 0, 150, 150));
}

TEST(ucCanvas, AZoomBeyond32BitsIsAnErrorAndLeavesOnlyTheBackground)
{
    CanvasOnScreen s(640, 480);
    s.canvas.Zoom(1 << 30);
    EXPECT_THROW(s.canvas.Resize(), OverflowError);
    EXPECT_TRUE(s.box->geometry().isEmpty());
    EXPECT_EQ(Rgb(Grab(s.canvas), 186, 179), s.Workspace());
    s.canvas.Zoom(1);
    s.canvas.Resize();
    EXPECT_EQ(s.box->geometry(), QRect(0, 0, 373, 359));
}

TEST(ucCanvas, PanningFollowsTheMouseAndStopsAtTheEdges)
{
    CanvasOnScreen s(640, 480);
    PaintCounter boxPaints(s.box), canvasPaints(&s.canvas);
    QSignalSpy viewChanged(&s.canvas, &ucCanvas::ViewChanged);
    std::int32_t hMax, vMax, hPos, vPos;

    QTest::mousePress(s.box, Qt::LeftButton, {}, QPoint(200, 200));
    EXPECT_EQ(s.box->cursor().shape(), Qt::ClosedHandCursor);
    struct Step {
        QPoint mouse;
        std::int32_t hPos, vPos;
        int changes; // ViewChanged (and box repaints) so far
    };
    const Step steps[] = {
        {{250, 200}, 83, 60, 1},  // 50 pixels right: the picture follows
        {{250, 230}, 83, 30, 2},  // 30 down
        {{400, 230}, 0, 30, 3},   // past the left edge: held at 0
        {{450, 230}, 0, 30, 3},   // further: no change, no repaint, no ViewChanged
        {{450, 330}, 0, 0, 4},    // past the top edge
        {{450, 400}, 0, 0, 4},
        {{-300, -300}, 267, 121, 5}, // far the other way: held at the maxima
        {{-350, -310}, 267, 121, 5},
    };
    for (const Step& st : steps) {
        QTest::mouseMove(s.box, st.mouse);
        s.Scroll(hMax, vMax, hPos, vPos);
        EXPECT_EQ(hPos, st.hPos) << st.mouse.x() << ", " << st.mouse.y();
        EXPECT_EQ(vPos, st.vPos) << st.mouse.x() << ", " << st.mouse.y();
        EXPECT_EQ(viewChanged.size(), st.changes);
        EXPECT_EQ(boxPaints.count, st.changes);
    }
    QTest::mouseRelease(s.box, Qt::LeftButton, {}, QPoint(-350, -310));
    EXPECT_EQ(s.box->cursor().shape(), Qt::OpenHandCursor);
    testing::Hover(s.box, QPoint(1, 1));
    s.Scroll(hMax, vMax, hPos, vPos);
    EXPECT_EQ(hPos, 267) << "the release ended the drag";
    EXPECT_EQ(canvasPaints.count, 0) << "panning repaints the picture box only";
    EXPECT_EQ(Rgb(Grab(*s.box), 0, 0), PixelAt(267, 121));
}

TEST(ucCanvas, APanBackToTheLaidOutPositionIsPainted)
{
    // The view starts at (133, 60) after the layout, not at (0, 0): a drag that
    // ends at the top-left corner is a change and must be shown.
    CanvasOnScreen s(640, 480);
    QSignalSpy viewChanged(&s.canvas, &ucCanvas::ViewChanged);
    QTest::mousePress(s.box, Qt::LeftButton, {}, QPoint(1, 1));
    QTest::mouseMove(s.box, QPoint(300, 300));
    EXPECT_EQ(viewChanged.size(), 1);
    EXPECT_EQ(Rgb(Grab(*s.box), 0, 0), PixelAt(0, 0));
    QTest::mouseRelease(s.box, Qt::LeftButton, {}, QPoint(300, 300));
}

TEST(ucCanvas, ScrollInfoIsClampedAndTheVisibleRectFollowsIt)
{
    CanvasOnScreen s(640, 480);
    std::int32_t x1, y1, x2, y2;
    s.canvas.GetVisibleRect(x1, y1, x2, y2);
    EXPECT_EQ(QRect(QPoint(x1, y1), QPoint(x2, y2)), QRect(QPoint(133, 60), QPoint(506, 419)));

    PaintCounter paints(s.box);
    s.canvas.SetScrollInfo(-5, 1000);
    std::int32_t hMax, vMax, hPos, vPos;
    s.Scroll(hMax, vMax, hPos, vPos);
    EXPECT_EQ(hPos, 0);
    EXPECT_EQ(vPos, 121);
    EXPECT_EQ(paints.count, 1);
    EXPECT_EQ(Rgb(Grab(*s.box), 0, 0), PixelAt(0, 121));

    CanvasOnScreen z(100, 100, 150, 150, 2);
    z.canvas.GetVisibleRect(x1, y1, x2, y2);
    EXPECT_EQ(QRect(QPoint(x1, y1), QPoint(x2, y2)), QRect(QPoint(12, 12), QPoint(87, 87)));
}

TEST(ucCanvas, AnEmptyCanvasPaintsOnlyItsBackgroundAndIgnoresTheMouse)
{
    CanvasOnScreen s(0, 0, 120, 90);
    QSignalSpy viewChanged(&s.canvas, &ucCanvas::ViewChanged);
    s.canvas.Zoom(4);
    s.canvas.Resize();
    EXPECT_EQ(viewChanged.size(), 0);
    EXPECT_TRUE(s.box->geometry().isEmpty());
    const QImage img = Grab(s.canvas);
    for (int y = 0; y < 90; ++y)
        for (int x = 0; x < 120; ++x)
            ASSERT_EQ(Rgb(img, x, y), s.Workspace()) << x << ", " << y;

    for (std::int32_t mode : {ucCanvas::PanMode, ucCanvas::CropMode}) {
        s.canvas.WorkMode(mode);
        QTest::mousePress(&s.canvas, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseMove(&s.canvas, QPoint(60, 50));
        QTest::mouseRelease(&s.canvas, Qt::LeftButton, {}, QPoint(60, 50));
        QTest::mouseClick(&s.canvas, Qt::RightButton, {}, QPoint(30, 30));
    }
    EXPECT_EQ(viewChanged.size(), 0);
    EXPECT_EQ(s.canvas.Frame(), nullptr);
    EXPECT_FALSE(s.canvas.mnuCropTop()->isVisible());
}

TEST(ucCanvas, ADoubleClickPressesAtTheLastMousePosition)
{
    CanvasOnScreen s(640, 480);
    testing::Hover(s.box, QPoint(100, 100));
    // Only the double click itself, as the release of a first click left no drag.
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(300, 300), s.box->mapToGlobal(QPointF(300, 300)),
                    Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(s.box, &dbl);
    testing::Hover(s.box, QPoint(150, 100), Qt::LeftButton);
    std::int32_t hMax, vMax, hPos, vPos;
    s.Scroll(hMax, vMax, hPos, vPos);
    EXPECT_EQ(hPos, 83) << "the drag started at (100, 100)";
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(150, 100), s.box->mapToGlobal(QPointF(150, 100)),
                   Qt::LeftButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(s.box, &up);
    testing::Hover(s.box, QPoint(190, 100), Qt::LeftButton);
    s.Scroll(hMax, vMax, hPos, vPos);
    EXPECT_EQ(hPos, 83) << "the release that follows ended the drag";
}

TEST(ucCanvas, PressesInTheMarginAreHandledAsPressesOnTheBox)
{
    // A 200 x 150 picture sits at (86, 104): a crop drag from the margin above
    // and left of it to box point (20, 30) frames the picture's corner.
    CanvasOnScreen s(200, 150);
    s.canvas.WorkMode(ucCanvas::CropMode);
    QTest::mousePress(&s.canvas, Qt::LeftButton, {}, QPoint(50, 60));
    QTest::mouseMove(&s.canvas, QPoint(86 + 20, 104 + 30));
    QTest::mouseRelease(&s.canvas, Qt::LeftButton, {}, QPoint(86 + 20, 104 + 30));
    ASSERT_NE(s.canvas.Frame(), nullptr);
    std::int32_t x1, y1, x2, y2;
    ASSERT_TRUE(s.canvas.Frame()->GetFrameRect(x1, y1, x2, y2));
    EXPECT_EQ(QRect(QPoint(x1, y1), QPoint(x2, y2)), QRect(QPoint(0, 0), QPoint(20, 30)));
}

TEST(ucCanvas, KeysGoToTheHostAsVirtualKeysExceptDuringADrag)
{
    CanvasOnScreen s(640, 480);
    std::vector<std::pair<std::int16_t, std::int16_t>> keys;
    QObject::connect(&s.canvas, &ucCanvas::CanvasKeyDown,
                     [&](std::int16_t& code, std::int16_t& shift) { keys.emplace_back(code, shift); });
    QTest::keyClick(s.box, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(s.box, Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(s.box, Qt::Key_F5);
    QTest::mousePress(s.box, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::keyClick(s.box, Qt::Key_B);
    QTest::mouseRelease(s.box, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::keyClick(s.box, Qt::Key_Escape);
    using K = std::pair<std::int16_t, std::int16_t>;
    // Modifier keys go down too, each with the shift state it makes.
    EXPECT_EQ(keys, (std::vector<K>{{0x10, 1}, {0x41, 1}, {0x11, 2}, {0x12, 6}, {0x25, 6}, {0x74, 0}, {0x1B, 0}}));
}

TEST(ucCanvas, TheSurfacesProgressLeavesTheCanvasAsItHappens)
{
    ucCanvas c;
    testing::FillPositions(c.DIB(), 64, 48);
    std::vector<std::int32_t> rows;
    int ends = 0;
    QObject::connect(&c, &ucCanvas::DIBProgress, [&](std::int32_t row) {
        EXPECT_EQ(ends, 0);
        rows.push_back(row);
    });
    QObject::connect(&c, &ucCanvas::DIBProgressEnd, [&] { ++ends; });
    c.DIB().Resize(32, 40);
    std::vector<std::int32_t> want(40);
    for (int i = 0; i < 40; ++i)
        want[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(rows, want);
    EXPECT_EQ(ends, 1);
}

TEST(ucCanvas, PanModeRemovesTheFrameAndOtherModesDropTheHand)
{
    CanvasOnScreen s(640, 480);
    s.canvas.WorkMode(ucCanvas::CropMode);
    EXPECT_FALSE(s.box->testAttribute(Qt::WA_SetCursor));
    s.canvas.SetScrollInfo(0, 0);
    QTest::mousePress(s.box, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(s.box, QPoint(40, 40));
    QTest::mouseRelease(s.box, Qt::LeftButton, {}, QPoint(40, 40));
    ASSERT_FALSE(s.canvas.Frame()->IsFrameEmpty());
    s.canvas.WorkMode(ucCanvas::PanMode);
    EXPECT_TRUE(s.canvas.Frame()->IsFrameEmpty());
    EXPECT_EQ(s.box->cursor().shape(), Qt::OpenHandCursor);
    s.canvas.WorkMode(7);
    EXPECT_FALSE(s.box->testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(s.canvas.WorkMode(), 7);
}

} // namespace
} // namespace quillmere
