#include "creator/window/CreatorFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStringList>

#include <algorithm>

namespace quillmere {

namespace {
constexpr int kLargestPixels = 11; // 8 points at 96 dots per inch
} // namespace

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

LayoutBox CaptionFit(const QWidget* control, const LayoutBox& box, const QFontMetrics& metrics)
{
    const auto* label = qobject_cast<const QLabel*>(control);
    QString text = label ? label->text() : static_cast<const QAbstractButton*>(control)->text();
    text.remove(u'&');
    const int margin = label ? 0 : kButtonMargin;
    return WidenAboutCentre(box, metrics.horizontalAdvance(text) + margin, metrics.height() + margin / 2);
}

} // namespace quillmere
