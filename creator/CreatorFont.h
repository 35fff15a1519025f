// The windows' font: Tahoma where it is installed, else the closest
// sans-serif font the system has, at the largest size up to Tahoma's 8 points
// (11 pixels) at which every caption fits its control.
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

// FitCaptions of TahomaOrClosest for the Logo Creator's labels and buttons.
QFont ChooseCreatorFont(const QFont& base);

} // namespace quillmere
