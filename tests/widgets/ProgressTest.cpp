#include "WidgetHelpers.h"
#include "widgets/InvalidPropertyValue.h"
#include "widgets/ProgressFill.h"
#include "widgets/SystemColours.h"
#include "widgets/ucProgress.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>

namespace quillmere {
namespace {

using testing::Grab;
using testing::PaintCounter;
using testing::Rgb;

struct FillCase {
    std::int32_t width, value, max, filled;
};

void PrintTo(const FillCase& c, std::ostream* os)
{
    *os << "width " << c.width << ", value " << c.value << " of " << c.max;
}

class FillTable : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTable, FilledWidth)
{
    const FillCase c = GetParam();
    EXPECT_EQ(FilledWidth(c.width, c.value, c.max), c.filled);
}

INSTANTIATE_TEST_SUITE_P(
    Bar, FillTable,
    ::testing::Values(FillCase{102, 3, 400, 0}, FillCase{102, 4, 400, 1}, FillCase{102, 7, 400, 1},
                      FillCase{102, 8, 400, 2}, FillCase{102, 400, 400, 102},
                      // beyond the range: a full bar, an empty one, and no overflow
                      FillCase{102, 401, 400, 102}, FillCase{102, -1, 400, 0}, FillCase{102, -400, 400, 0},
                      FillCase{102, INT_MAX, 1, 102}, FillCase{INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                      FillCase{0, 50, 100, 0}));

// A bar whose area inside the border is `inner` pixels wide.
struct Bar {
    ucProgress bar;
    PaintCounter paints{&bar};
    explicit Bar(int inner = 102)
    {
        bar.resize(inner + 2 * bar.frameWidth(), 16);
        bar.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&bar));
        paints.count = 0;
    }
    QColor Fore() const { return TranslateColour(bar.ForeColor(), bar.palette()); }
    QColor Back() const { return TranslateColour(bar.BackColor(), bar.palette()); }
};

TEST(ucProgress, RepaintsOnlyWhenTheFilledWidthChanges)
{
    Bar b;
    b.bar.Max(400);
    struct Step {
        std::int32_t value, filled, paints;
    };
    // The paints counted after each step, from the start.
    const Step steps[] = {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {4, 1, 1}, {5, 1, 1}, {7, 1, 1},
                          {8, 2, 2}, {400, 102, 3}, {900, 102, 3}, {0, 0, 4}};
    for (const Step& s : steps) {
        b.bar.Value(s.value);
        EXPECT_EQ(b.bar.FilledWidth(), s.filled) << "value " << s.value;
        EXPECT_EQ(b.paints.count, s.paints) << "value " << s.value;
    }
}

TEST(ucProgress, PaintsTheFilledPixelsInForeColorAndTheRestInBackColor)
{
    Bar b;
    b.bar.Max(400);
    const int left = b.bar.contentsRect().left(), mid = b.bar.height() / 2;
    for (auto [value, filled] : {std::pair{4, 1}, std::pair{400, 102}, std::pair{200, 51}}) {
        b.bar.Value(value);
        const QImage img = Grab(b.bar);
        for (int x = 0; x < 102; ++x)
            ASSERT_EQ(Rgb(img, left + x, mid), (x < filled ? b.Fore() : b.Back()).rgb() & 0xFFFFFFu)
                << "value " << value << ", pixel " << x;
    }
}

TEST(ucProgress, ANewBarIsSunkenWithButtonFaceAndHighlight)
{
    ucProgress bar;
    EXPECT_EQ(bar.BorderStyle(), 2);
    EXPECT_EQ(bar.BackColor(), 0x8000000Fu);
    EXPECT_EQ(bar.ForeColor(), 0x8000000Du);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_TRUE(bar.Enabled());
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.property("Max").toInt(), 100);
    EXPECT_TRUE(bar.WriteProperties().isEmpty());

    bar.resize(104, 20);
    bar.Value(50);
    const QImage img = Grab(bar);
    const QPalette& pal = bar.palette();
    EXPECT_EQ(bar.frameWidth(), 2);
    EXPECT_EQ(img.pixel(0, 0), pal.color(QPalette::Dark).rgb()) << "outer edge, top left";
    EXPECT_EQ(img.pixel(103, 19), pal.color(QPalette::Light).rgb()) << "outer edge, bottom right";
    EXPECT_EQ(img.pixel(2, 10), pal.color(QPalette::Highlight).rgb());
    EXPECT_EQ(img.pixel(101, 10), pal.color(QPalette::Button).rgb());
}

TEST(ucProgress, BorderStylesAreFlatThinAndDeep)
{
    ucProgress bar;
    bar.resize(60, 20);
    const QPalette& pal = bar.palette();
    struct Case {
        std::int32_t style;
        int frame;
        QColor topLeft;
    };
    // 5 is kept as the value but leaves the border of style 1 as it was.
    for (const Case& c : {Case{0, 0, pal.color(QPalette::Button)}, Case{1, 1, pal.color(QPalette::Dark)},
                          Case{5, 1, pal.color(QPalette::Dark)}, Case{2, 2, pal.color(QPalette::Dark)}}) {
        bar.BorderStyle(c.style);
        EXPECT_EQ(bar.BorderStyle(), c.style);
        EXPECT_EQ(bar.frameWidth(), c.frame) << "style " << c.style;
        EXPECT_EQ(Grab(bar).pixel(0, 0), c.topLeft.rgb()) << "style " << c.style;
    }
}

TEST(ucProgress, RefusedValuesRaise380AndChangeNothing)
{
    ucProgress bar;
    bar.Max(400);
    EXPECT_THROW(bar.Max(0), InvalidPropertyValueError);
    EXPECT_THROW(bar.Max(-7), InvalidPropertyValueError);
    EXPECT_EQ(bar.Max(), 400);
    bar.Max(1);
    EXPECT_EQ(bar.Max(), 1);

    EXPECT_THROW(bar.BackColor(0x80000002u), InvalidPropertyValueError);
    EXPECT_THROW(bar.ForeColor(0x12345678u), InvalidPropertyValueError);
    EXPECT_EQ(bar.BackColor(), ucProgress::DefaultBackColor);
    EXPECT_EQ(bar.ForeColor(), ucProgress::DefaultForeColor);
}

TEST(ucProgress, StoredPropertiesLoadWithTheirDefaultsAndMaxZeroBecomesOne)
{
    ucProgress bar;
    bar.ReadProperties({{QStringLiteral("Max"), 0}, {QStringLiteral("BorderStyle"), 1},
                        {QStringLiteral("ForeColor"), 0x000000FFu}, {QStringLiteral("BackColor"), 0x80000002u}});
    EXPECT_EQ(bar.Max(), 1);
    EXPECT_EQ(bar.BorderStyle(), 1);
    EXPECT_EQ(bar.frameWidth(), 1);
    EXPECT_EQ(bar.ForeColor(), 0x000000FFu);
    EXPECT_EQ(bar.BackColor(), ucProgress::DefaultBackColor);
    const QVariantMap written = bar.WriteProperties();
    EXPECT_EQ(written.value(QStringLiteral("Max")).toInt(), 1);
    EXPECT_EQ(written.value(QStringLiteral("BorderStyle")).toInt(), 1);
    EXPECT_FALSE(written.contains(QStringLiteral("BackColor")));
}

TEST(ucProgress, MouseEventsGiveButtonShiftAndPositionInsideTheBorder)
{
    ucProgress bar;
    bar.resize(80, 20);
    QSignalSpy down(&bar, &ucProgress::MouseDown);
    QSignalSpy up(&bar, &ucProgress::MouseUp);
    QSignalSpy click(&bar, &ucProgress::Click);
    QTest::mousePress(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(12, 7));
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(12, 7));
    QTest::mouseClick(&bar, Qt::RightButton, Qt::ControlModifier, QPoint(5, 5));
    ASSERT_EQ(down.size(), 2);
    EXPECT_EQ(down[0][0].value<std::int16_t>(), 1);
    EXPECT_EQ(down[0][1].value<std::int16_t>(), 1);
    EXPECT_EQ(down[0][2].toFloat(), 10.0f);
    EXPECT_EQ(down[0][3].toFloat(), 5.0f);
    EXPECT_EQ(down[1][0].value<std::int16_t>(), 2);
    EXPECT_EQ(down[1][1].value<std::int16_t>(), 2);
    EXPECT_EQ(up.size(), 2);
    EXPECT_EQ(click.size(), 1) << "a right click is no Click";
}

} // namespace
} // namespace quillmere
