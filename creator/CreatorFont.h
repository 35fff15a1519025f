// The windows' font: Tahoma where it is installed, else the closest
// sans-serif font the system has.
#pragma once

#include <QFont>
#include <QString>

namespace quillmere {

struct CaptionBox {
    QString caption; // with its "&" mnemonic, which takes no room
    int width;       // room for the text, in pixels
    int height;
};

// The font for captions, shrunk one pixel at a time (to 7 at the least) until
// each caption's width and line height fit its box.
QFont FitCaptions(QFont font, const CaptionBox* boxes, int count);

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

} // namespace quillmere
