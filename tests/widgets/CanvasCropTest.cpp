#include "CanvasFixture.h"
#include "widgets/cFrame.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using testing::CanvasOnScreen;
using testing::Grab;
using testing::PixelAt;
using testing::FillPositions;
using testing::Rgb;

// Records the regions the widget is asked to paint.
class PaintRegions : public QObject {
public:
    explicit PaintRegions(QWidget* w) { w->installEventFilter(this); }
    QRegion all;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            all += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

Rect32 FrameOf(const ucCanvas& c)
{
    Rect32 r{-9, -9, -9, -9};
    if (c.Frame())
        c.Frame()->GetFrameRect(r.left, r.top, r.right, r.bottom);
    return r;
}

void Drag(QWidget* w, QPoint from, QPoint to)
{
    QTest::mousePress(w, Qt::LeftButton, {}, from);
    QTest::mouseMove(w, to);
    QTest::mouseRelease(w, Qt::LeftButton, {}, to);
}

// Clicks a menu entry the way the user does.
void Choose(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions()) {
        if (a->text() == text) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            return;
        }
    }
    ADD_FAILURE() << "no entry " << text.toStdString();
}

// A 40 x 40 picture at zoom 2 in crop mode: its box is 80 x 80 at (35, 35).
struct Zoom2Crop : CanvasOnScreen {
    Zoom2Crop() : CanvasOnScreen(40, 40, 150, 150, 2) { canvas.WorkMode(ucCanvas::CropMode); }
};

TEST(CropMode, AtZoomTwoScreenPixels10To30SelectPicturePixels5To15)
{
    Zoom2Crop s;
    struct Case {
        QPoint from, to;
    };
    // The same frame whichever corner the drag starts from.
    for (const Case& c : {Case{{10, 10}, {30, 30}}, Case{{30, 30}, {10, 10}}, Case{{30, 10}, {10, 30}},
                          Case{{10, 30}, {30, 10}}}) {
        Drag(s.box, c.from, c.to);
        EXPECT_EQ(FrameOf(s.canvas), (Rect32{5, 5, 15, 15})) << c.from.x() << "," << c.from.y();
    }
    // The border lies on screen pixels 10 ... 29, in the stripes of brush 0;
    // everything else is the picture.
    const QImage img = Grab(*s.box);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 80; ++x) {
            const bool border = x >= 10 && x <= 29 && y >= 10 && y <= 29 && (x == 10 || x == 29 || y == 10 || y == 29);
            const unsigned want = !border                                           ? PixelAt(x / 2, y / 2)
                                  : (cFrame::Pattern[y % 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFu
                                                                                  : 0u;
            ASSERT_EQ(Rgb(img, x, y), want) << x << ", " << y;
        }
    }
}

TEST(CropMode, TheDottedRectangleFollowsTheDragAndLeavesNoTrace)
{
    Zoom2Crop s;
    PaintRegions painted(s.box);
    QTest::mousePress(s.box, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(s.box, QPoint(50, 50));
    const QRegion first = QRegion(10, 10, 40, 40) - QRegion(11, 11, 38, 38);
    ASSERT_TRUE(QTest::qWaitFor([&] { return painted.all.contains(first.boundingRect().topLeft()); }));
    QImage img = Grab(*s.box);
    EXPECT_NE(Rgb(img, 49, 30), PixelAt(24, 15)) << "the dotted rectangle is drawn";
    EXPECT_EQ(Rgb(img, 30, 30), PixelAt(15, 15));
    for (int x = 10; x < 50; ++x) { // dotted: alternate pixels black and white
        const unsigned c = Rgb(img, x, 10);
        ASSERT_TRUE(c == 0u || c == 0xFFFFFFu) << x;
        if (x + 1 < 50) {
            ASSERT_NE(c, Rgb(img, x + 1, 10)) << x;
        }
    }

    // Shrinking the rectangle repaints the old one's place, which shows the picture again.
    painted.all = {};
    QTest::mouseMove(s.box, QPoint(30, 30));
    ASSERT_TRUE(QTest::qWaitFor([&] { return (first - painted.all).isEmpty(); }));
    img = Grab(*s.box);
    EXPECT_EQ(Rgb(img, 49, 30), PixelAt(24, 15));
    EXPECT_NE(Rgb(img, 29, 20), PixelAt(14, 10));

    QTest::mouseRelease(s.box, Qt::LeftButton, {}, QPoint(30, 30));
    img = Grab(*s.box);
    EXPECT_EQ(Rgb(img, 20, 20), PixelAt(10, 10));
    // The pattern border replaces the dotted one: its stripes are two pixels wide.
    EXPECT_EQ(Rgb(img, 12, 10), 0u);
    EXPECT_EQ(Rgb(img, 13, 10), 0u);
}

TEST(CropMode, AFrameReachingOutOfThePictureIsClippedAtRelease)
{
    Zoom2Crop s;
    QTest::mousePress(s.box, Qt::LeftButton, {}, QPoint(60, 60));
    QTest::mouseMove(s.box, QPoint(120, 130));
    EXPECT_EQ(FrameOf(s.canvas), (Rect32{30, 30, 60, 65})) << "not yet clipped while dragging";
    QTest::mouseRelease(s.box, Qt::LeftButton, {}, QPoint(120, 130));
    EXPECT_EQ(FrameOf(s.canvas), (Rect32{30, 30, 40, 40}));

    // Entirely in the margin above and left of the picture: no frame, no menu.
    Drag(&s.canvas, QPoint(5, 5), QPoint(20, 25));
    EXPECT_TRUE(s.canvas.Frame()->IsFrameEmpty());
    QTest::mouseClick(&s.canvas, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_FALSE(s.canvas.mnuCropTop()->isVisible());
}

// A 640 x 480 picture scrolled to its top-left corner with the frame (10, 20, 110, 70).
struct FramedPicture : CanvasOnScreen {
    FramedPicture() : CanvasOnScreen(640, 480)
    {
        canvas.WorkMode(ucCanvas::CropMode);
        canvas.SetScrollInfo(0, 0);
        Drag(box, QPoint(10, 20), QPoint(110, 70));
        EXPECT_EQ(FrameOf(canvas), (Rect32{10, 20, 110, 70}));
    }
    QMenu* menu() const { return canvas.mnuCropTop(); }
};

TEST(CropMode, TheMenuOpensOnlyInsideTheFrame)
{
    FramedPicture s;
    QMenu* menu = s.menu();
    QStringList entries;
    for (QAction* a : menu->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries, (QStringList{QStringLiteral("Crop"), QStringLiteral("-"), QStringLiteral("Remove frame"),
                                    QStringLiteral("Cancel")}));

    for (QPoint outside : {QPoint(9, 40), QPoint(110, 40), QPoint(50, 70), QPoint(300, 300)}) {
        QTest::mouseClick(s.box, Qt::RightButton, {}, outside);
        EXPECT_FALSE(menu->isVisible()) << outside.x() << ", " << outside.y();
    }
    QTest::mouseClick(s.box, Qt::RightButton, {}, QPoint(10, 20));
    ASSERT_TRUE(menu->isVisible());
    Choose(menu, QStringLiteral("Cancel"));
    EXPECT_FALSE(menu->isVisible());
    EXPECT_EQ(FrameOf(s.canvas), (Rect32{10, 20, 110, 70}));

    QTest::mouseClick(s.box, Qt::RightButton, {}, QPoint(60, 40));
    ASSERT_TRUE(menu->isVisible());
    Choose(menu, QStringLiteral("Remove frame"));
    EXPECT_TRUE(s.canvas.Frame()->IsFrameEmpty());
    EXPECT_EQ(Rgb(Grab(*s.box), 10, 20), PixelAt(10, 20)) << "the border is gone";
    EXPECT_EQ(s.canvas.DIB().Width(), 640);
}

TEST(CropMode, CropKeepsTheFramedPartAndLaysTheCanvasOutAgain)
{
    FramedPicture s;
    QSignalSpy cropped(&s.canvas, &ucCanvas::Cropped);
    QSignalSpy viewChanged(&s.canvas, &ucCanvas::ViewChanged);
    QTest::mouseClick(s.box, Qt::RightButton, {}, QPoint(60, 40));
    ASSERT_TRUE(s.menu()->isVisible());
    Choose(s.menu(), QStringLiteral("Crop"));

    ASSERT_EQ(cropped.size(), 1);
    EXPECT_EQ(viewChanged.size(), 1);
    const cDIB& dib = s.canvas.DIB();
    ASSERT_EQ(dib.Width(), 100);
    ASSERT_EQ(dib.Height(), 50);
    const auto* words = reinterpret_cast<const std::uint32_t*>(dib.DIBitsPtr());
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(words[y * 100 + x], PixelAt(10 + x, 20 + y)) << x << ", " << y;
    EXPECT_TRUE(s.canvas.Frame()->IsFrameEmpty());
    EXPECT_EQ(s.box->geometry(), QRect(136, 154, 100, 50));
    EXPECT_EQ(Rgb(Grab(*s.box), 0, 0), PixelAt(10, 20));
}

TEST(CropMode, AFrameOutsideAPictureTheHostReplacedIsClippedOrRemoved)
{
    {
        FramedPicture s;
        FillPositions(s.canvas.DIB(), 50, 40); // the host loads a smaller picture
        QTest::mouseClick(s.box, Qt::RightButton, {}, QPoint(30, 30));
        ASSERT_TRUE(s.menu()->isVisible());
        Choose(s.menu(), QStringLiteral("Crop"));
        ASSERT_EQ(s.canvas.DIB().Width(), 40);
        ASSERT_EQ(s.canvas.DIB().Height(), 20);
        EXPECT_EQ(*reinterpret_cast<const std::uint32_t*>(s.canvas.DIB().DIBitsPtr()), PixelAt(10, 20));
    }
    {
        FramedPicture s;
        FillPositions(s.canvas.DIB(), 8, 8);
        QSignalSpy cropped(&s.canvas, &ucCanvas::Cropped);
        QTest::mouseClick(s.box, Qt::RightButton, {}, QPoint(30, 30));
        ASSERT_TRUE(s.menu()->isVisible());
        Choose(s.menu(), QStringLiteral("Crop"));
        EXPECT_EQ(cropped.size(), 0);
        EXPECT_EQ(s.canvas.DIB().Width(), 8);
        EXPECT_TRUE(s.canvas.Frame()->IsFrameEmpty());
    }
}

TEST(CropMode, RemoveCropRectangleClearsWithoutRepainting)
{
    FramedPicture s;
    testing::PaintCounter paints(s.box);
    s.canvas.RemoveCropRectangle();
    EXPECT_TRUE(s.canvas.Frame()->IsFrameEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
}

} // namespace
} // namespace quillmere
