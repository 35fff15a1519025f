#include "WidgetHelpers.h"
#include "widgets/InfoLayout.h"
#include "widgets/ucInfo.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

using testing::Grab;

struct LayoutCase {
    std::int32_t width;
    bool maximised;
    std::array<std::int32_t, 4> edges; // field 1 | field 2 | field 3 | grip | (right end)
    std::int32_t textFileWidth;
};

void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.width << " pixels" << (c.maximised ? ", maximised" : "");
}

class InfoLayoutTable : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(InfoLayoutTable, FieldsGripAndTextWidth)
{
    const LayoutCase c = GetParam();
    const InfoLayout l = ComputeInfoLayout(c.width, c.maximised);
    EXPECT_EQ(l.whole, (Rect32{0, 0, c.width, 20}));
    EXPECT_EQ(l.fields[0], (Rect32{0, 2, c.edges[0], 20}));
    EXPECT_EQ(l.fields[1], (Rect32{c.edges[0], 2, c.edges[1], 20}));
    EXPECT_EQ(l.fields[2], (Rect32{c.edges[1], 2, c.edges[2], 20}));
    EXPECT_EQ(l.grip, (Rect32{c.edges[2], 0, c.width, 20}));
    EXPECT_EQ(l.texts[1], (Rect32{c.edges[0] + 4, 4, c.edges[1] - 4, 20}));
    EXPECT_EQ(std::max(0, l.texts[0].Width()), c.textFileWidth);
}

INSTANTIATE_TEST_SUITE_P(Strip, InfoLayoutTable,
                         ::testing::Values(LayoutCase{423, false, {239, 339, 403}, 231},
                                           LayoutCase{423, true, {259, 359, 423}, 251},
                                           // too narrow for field 1: its text has no width
                                           LayoutCase{150, false, {-34, 66, 130}, 0}));

// A 423-pixel window with the strip along its bottom edge.
struct StripWindow {
    QWidget window;
    ucInfo* strip;
    StripWindow()
    {
        auto* box = new QVBoxLayout(&window);
        box->setContentsMargins(0, 0, 0, 0);
        box->addStretch();
        strip = new ucInfo;
        box->addWidget(strip);
        window.resize(423, 200);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST(ucInfo, InANormalWindowItHasAGripAndStaysTwentyPixelsHigh)
{
    StripWindow w;
    ASSERT_EQ(w.strip->width(), 423);
    EXPECT_EQ(w.strip->TextFileWidth(), 231);
    EXPECT_EQ(w.strip->Layout().grip, (Rect32{403, 0, 423, 20}));
    w.strip->resize(423, 40);
    EXPECT_EQ(w.strip->height(), 20);

    QSignalSpy resized(w.strip, &ucInfo::Resized);
    w.window.resize(500, 200);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.strip->width() == 500; }));
    EXPECT_GT(resized.size(), 0);
    EXPECT_EQ(w.strip->TextFileWidth(), 500 - 192);
}

TEST(ucInfo, AMaximisedWindowHasNoGrip)
{
    StripWindow w;
    QSignalSpy resized(w.strip, &ucInfo::Resized);
    w.window.setWindowState(Qt::WindowMaximized);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.window.isMaximized() && resized.size() > 0; }));
    const InfoLayout& l = w.strip->Layout();
    EXPECT_TRUE(l.grip.IsEmpty());
    EXPECT_EQ(l.fields[2].right, w.strip->width());

    w.window.setWindowState(Qt::WindowNoState);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.strip->Layout().grip.IsEmpty(); }));
}

TEST(ucInfo, PaintsSunkenFieldsAndClipsALongPathWithoutEllipsis)
{
    StripWindow w;
    const QString path = QStringLiteral("/home/someone/Pictures/a very long folder name/another one/logo.bmp");
    w.strip->TextFile(path);
    w.strip->TextInfo(QStringLiteral("320x400x8b"));
    const QImage img = Grab(*w.strip);
    const QPalette& pal = w.strip->palette();
    auto rgb = [](const QColor& c) { return c.rgb(); };

    EXPECT_EQ(img.pixel(300, 0), rgb(pal.color(QPalette::Button))) << "above the fields";
    EXPECT_EQ(img.pixel(239, 2), rgb(pal.color(QPalette::Dark))) << "field 2, top-left edge";
    EXPECT_EQ(img.pixel(338, 19), rgb(pal.color(QPalette::Light))) << "field 2, bottom-right edge";
    EXPECT_EQ(img.pixel(330, 15), rgb(pal.color(QPalette::Button))) << "inside field 2";

    // The path, drawn unclipped at the text position, matches the strip up to the
    // text's right edge; from there to the field's edge there is only background.
    QImage ref(img.size(), QImage::Format_RGB32);
    ref.fill(pal.color(QPalette::Base));
    {
        QPainter p(&ref);
        p.setFont(w.strip->font());
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QRect(4, 4, 1000, 16), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, path);
    }
    int ink = 0;
    for (int y = 4; y < 19; ++y) {
        for (int x = 4; x < 235; ++x) {
            ASSERT_EQ(img.pixel(x, y), ref.pixel(x, y)) << x << ", " << y;
            ink += ref.pixel(x, y) != rgb(pal.color(QPalette::Base));
        }
        for (int x = 235; x < 238; ++x)
            ASSERT_EQ(img.pixel(x, y), rgb(pal.color(QPalette::Base))) << x << ", " << y;
    }
    EXPECT_GT(ink, 100) << "the path was drawn";
}

// A field that shows less than its whole text, shortened by its host or
// clipped at its edge, gives the whole as its tooltip; one that shows all of
// it, and the grip, give none.
TEST(ucInfo, AFieldShowingLessThanItsTextGivesTheWholeAsItsTooltip)
{
    StripWindow w; // fields 0 to 239, 239 to 339, 339 to 403; the grip beyond
    const QString path = QStringLiteral("/home/someone/Pictures/a very long folder name/another one/logo.bmp");
    w.strip->TextFile(path);
    w.strip->TextInfo(QStringLiteral("320x400x8b"));
    w.strip->TextZoom(QStringLiteral("kept, \u2026"), QStringLiteral("keep animation, black border"));
    const struct {
        int x;
        QString tip;
    } cases[] = {
        {100, path},
        {300, QString()},
        {370, QStringLiteral("keep animation, black border")},
        {410, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x);
        QHelpEvent help(QEvent::ToolTip, QPoint(c.x, 10), w.strip->mapToGlobal(QPoint(c.x, 10)));
        QApplication::sendEvent(w.strip, &help);
        EXPECT_EQ(help.isAccepted(), !c.tip.isEmpty());
        if (!c.tip.isEmpty()) {
            EXPECT_EQ(QToolTip::text(), c.tip);
        }
    }
}

TEST(ucInfo, TheGripShowsTheDiagonalCursorAndResizesTheWindow)
{
    StripWindow w;
    testing::Hover(w.strip, QPoint(200, 10));
    EXPECT_FALSE(w.strip->testAttribute(Qt::WA_SetCursor));
    testing::Hover(w.strip, QPoint(410, 10));
    EXPECT_EQ(w.strip->cursor().shape(), Qt::SizeFDiagCursor);

    const QSize before = w.window.size();
    QTest::mousePress(w.strip, Qt::LeftButton, {}, QPoint(410, 10));
    QTest::mouseMove(w.strip, QPoint(440, 30));
    EXPECT_EQ(w.window.size(), before + QSize(30, 20));
    QTest::mouseRelease(w.strip, Qt::LeftButton, {}, w.strip->mapFromGlobal(w.window.mapToGlobal(QPoint(450, 220))));
    const QSize after = w.window.size();
    testing::Hover(w.strip, QPoint(100, 10));
    EXPECT_EQ(w.window.size(), after) << "the release ended the resize";
    EXPECT_FALSE(w.strip->testAttribute(Qt::WA_SetCursor));

    // A press on the fields does not resize.
    QTest::mousePress(w.strip, Qt::LeftButton, {}, QPoint(100, 10));
    QTest::mouseMove(w.strip, QPoint(150, 15));
    QTest::mouseRelease(w.strip, Qt::LeftButton, {}, QPoint(150, 15));
    EXPECT_EQ(w.window.size(), after);
}

} // namespace
} // namespace quillmere
