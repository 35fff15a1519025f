// The windows' font: Tahoma where it is installed, else the closest
// sans-serif font the system has.
#pragma once

#include "creator/CreatorLayout.h"

#include <QFont>
#include <QString>

class QFontMetrics;
class QWidget;

namespace quillmere {

// A button's frame and margins take this much of its width.
inline constexpr int kButtonMargin = 12;

// base in Tahoma, or in the sans-serif font that stands in for it.
QFont TahomaOrClosest(const QFont& base);

// The windows' text size: Tahoma's 8 points at 96 dots per inch (11 pixels),
// or the desktop's small font when that is larger.
int WindowFontPixels(int desktopSmallPixels) noexcept;

// The pixel size of the desktop's small font; 0 when it has none.
int DesktopSmallFontPixels();

// TahomaOrClosest at WindowFontPixels of the desktop's small font. A caption
// that does not fit its control at this size widens the control rather than
// shrink the text.
QFont WindowFont(const QFont& base);

// The box a label or button (its frame and margins besides) needs for its
// caption in metrics: box itself, widened about its centre where too small.
LayoutBox CaptionFit(const QWidget* control, const LayoutBox& box, const QFontMetrics& metrics);

} // namespace quillmere
