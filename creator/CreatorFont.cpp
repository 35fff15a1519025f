#include "creator/CreatorFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <iterator>

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

QFont ChooseCreatorFont(const QFont& base)
{
    const QFont font = TahomaOrClosest(base);
    const CaptionBox boxes[] = {
        {QStringLiteral("Select Directory"), 153, 13},
        {QStringLiteral("Select a File"), 153, 13},
        {QStringLiteral("Preview Shown Actual Size"), 129, 13},
        {QStringLiteral("&Create Logo"), 113 - kButtonMargin, 25},
        {QStringLiteral("&Save Logo"), 113 - kButtonMargin, 25},
        {QStringLiteral("Cl&ose"), 113 - kButtonMargin, 25},
    };
    return FitCaptions(font, boxes, static_cast<int>(std::size(boxes)));
}

} // namespace quillmere
