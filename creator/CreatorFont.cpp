#include "creator/CreatorFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>

namespace quillmere {

namespace {
constexpr int kLargestPixels = 11; // 8 points at 96 dots per inch
constexpr int kSmallestPixels = 7;
} // namespace

QFont FitCaptions(QFont font, const CaptionBox* boxes, int count)
{
    for (int pixels = kLargestPixels; pixels >= kSmallestPixels; --pixels) {
        font.setPixelSize(pixels);
        const QFontMetrics metrics(font);
        bool fits = true;
        for (int i = 0; i < count && fits; ++i) {
            QString text = boxes[i].caption;
            text.remove(u'&');
            fits = metrics.horizontalAdvance(text) <= boxes[i].width && metrics.height() <= boxes[i].height;
        }
        if (fits)
            break;
    }
    return font;
}

QFont TahomaOrClosest(const QFont& base)
{
    QFont font = base;
    font.setFamily(QStringLiteral("Tahoma"));
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive)) {
        // Font matching then picks the installed family closest to Tahoma.
        font.setStyleHint(QFont::SansSerif);
        font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"),
                          QStringLiteral("Liberation Sans"), QStringLiteral("Noto Sans")});
    }
    return font;
}

int WindowFontPixels(int desktopSmallPixels) noexcept { return std::max(kLargestPixels, desktopSmallPixels); }

int DesktopSmallFontPixels()
{
    const int small = QFontInfo(QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont)).pixelSize();
    const int general = QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).pixelSize();
    // A desktop without a small font of its own reports the font system's
    // default instead, often larger than its general font: no small font then.
    return small <= general ? small : 0;
}

QFont WindowFont(const QFont& base)
{
    QFont font = TahomaOrClosest(base);
    font.setPixelSize(WindowFontPixels(DesktopSmallFontPixels()));
    return font;
}

} // namespace quillmere
