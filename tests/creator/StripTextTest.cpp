// A message about a file in the strip's first field, in the strip's font: the
// words around the path whole, the path shortened to what they leave.
#include "creator/window/StripText.h"

#include <QFont>
#include <QFontMetrics>

#include <gtest/gtest.h>

namespace quillmere {
namespace {

const QString kEllipsis(QChar(0x2026));

struct FitCase {
    const char* name;
    const char* prefix;
    const char* path;
    const char* suffix;
    int width; // < 0: as wide as the whole text
    bool whole;
};

class FitPathMessageTest : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitPathMessageTest, KeepsTheWordsAroundThePathWhole)
{
    const FitCase& c = GetParam();
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    const QFontMetrics metrics(font);
    const QString prefix = QString::fromUtf8(c.prefix), path = QString::fromUtf8(c.path),
                  suffix = QString::fromUtf8(c.suffix);
    const int width = c.width < 0 ? metrics.horizontalAdvance(prefix + path + suffix) : c.width;

    const QString text = QString::fromStdString(
        FitPathMessage({prefix.toStdString(), path.toStdString(), suffix.toStdString()}, WidthIn(font), width));
    EXPECT_TRUE(text.startsWith(prefix)) << text.toStdString();
    EXPECT_TRUE(text.endsWith(suffix)) << text.toStdString();
    if (c.whole) {
        EXPECT_EQ(text, prefix + path + suffix);
        return;
    }
    EXPECT_TRUE(text.contains(kEllipsis)) << text.toStdString();
    const QString shown = text.mid(prefix.size(), text.size() - prefix.size() - suffix.size());
    const qsizetype cut = shown.indexOf(kEllipsis);
    // Whatever shows of the path is its start and its end.
    EXPECT_TRUE(path.startsWith(shown.left(cut))) << shown.toStdString();
    EXPECT_TRUE(path.endsWith(shown.mid(cut + 1))) << shown.toStdString();
    if (metrics.horizontalAdvance(prefix + kEllipsis + suffix) <= width) {
        EXPECT_LE(metrics.horizontalAdvance(text), width) << text.toStdString();
        // Not shortened more than it takes: one more character would not fit.
        EXPECT_GT(metrics.horizontalAdvance(text) + metrics.maxWidth(), width) << text.toStdString();
    }
}

constexpr const char* kDeep = "/home/someone/Pictures/holidays/2026/a folder with a rather long name/broken.jpg";

INSTANTIATE_TEST_SUITE_P(
    Cases, FitPathMessageTest,
    ::testing::Values(
        // Room for everything: nothing changes.
        FitCase{"Fits", "Cannot open ", kDeep, ": not a JPEG file", -1, true},
        FitCase{"FitsWithRoomToSpare", "Saved - ", "/tmp/logo.bmp", "", 400, true},
        // The reason stays whole; the path gives way in its middle.
        FitCase{"ReasonWholePathShortened", "Cannot open ", kDeep, ": Permission denied", 264, false},
        FitCase{"SavedPathShortened", "Saved - ", kDeep, "", 200, false},
        // The words alone are wider than the field: the path is only an ellipsis.
        FitCase{"WordsWiderThanTheField", "Cannot open ", kDeep, ": the file ends before its picture data", 120,
                false}),
    [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace quillmere
