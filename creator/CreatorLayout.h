// Where the Logo Creator's controls go for a client area: the canvas fills
// what the browsing lists on the left leave, the buttons sit under it at the
// right, the progress bar and the strip along the bottom edge.
#pragma once

#include <cstdint>

namespace quillmere {

struct LayoutBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const LayoutBox&, const LayoutBox&) = default;
};

// The controls the layout moves, as they stand.
struct CreatorRects {
    LayoutBox Drive1, Dir1, File1, Canvas, cmdCreate, cmdSave, cmdClose, Progress, Info;
    double lblActualLeft = 0; // a third of the canvas width short of its right end: not whole pixels
};

// Lays rects out for a client area of clientWidth x clientHeight. A control
// whose new width or height would be negative (a client area too small) keeps
// its place, and the later steps work from where it is.
void LayoutCreator(std::int32_t clientWidth, std::int32_t clientHeight, CreatorRects& rects) noexcept;

// box grown to at least width x height about its centre, so a caption too
// long for its control keeps the control's middle where the layout put it
// (an odd pixel of growth goes to the right or bottom). A box large enough
// stays as it is.
LayoutBox WidenAboutCentre(const LayoutBox& box, std::int32_t width, std::int32_t height) noexcept;

// The top-left corner that centres a window of the given size on a screen:
// (screen - window) / 2, not rounded.
struct CentredPosition {
    double left;
    double top;
};
CentredPosition CentreForm(double screenWidth, double screenHeight, double windowWidth, double windowHeight) noexcept;

} // namespace quillmere
