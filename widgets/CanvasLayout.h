// The arithmetic of the canvas: where the picture box lies, how far the view
// scrolls, which part of the picture each paint copies, and how panning and
// mouse positions map to the picture.
#pragma once

#include "Rect32.h"

#include <cstdint>

namespace quillmere {

class cDIB;

// One axis of the view in normal mode.
struct AxisView {
    std::int32_t boxStart = 0;  // of the picture box in the control
    std::int32_t boxLength = 0;
    std::int32_t position = 0;  // scroll offset in zoomed pixels, 0 ... maximum
    std::int32_t maximum = 0;   // 0: the axis does not scroll
};

// The zoomed picture fits: the box takes its size, centred. Else the box takes
// the control's length and the view starts at the middle of the picture. Throws
// OverflowError when the zoomed length does not fit 32 bits.
AxisView LayoutAxis(std::int32_t controlLength, std::int32_t pictureLength, std::int32_t zoom);

struct CanvasLayout {
    AxisView h, v;
    float scaleFactor = 1.0f; // zoomed pixels per picture pixel, for the crop frame
    bool picture = false;     // false: an empty surface, no box
};

// The whole layout. Fit mode places the box where GetBestFitInfo fits the
// picture (never enlarged) and does not scroll; normal mode lays out each axis.
CanvasLayout ComputeCanvasLayout(const cDIB& dib, std::int32_t controlWidth, std::int32_t controlHeight,
                                 std::int32_t zoom, bool fitMode);

// One axis of a paint: the destination and source extents of the scaled copy. On
// a scrolling axis the copy starts at the pixel under the scroll position and
// takes two more source pixels than the box holds whole, for the partly visible
// pixels at both ends; otherwise the whole picture is stretched over the box.
struct PaintAxis {
    std::int64_t dstStart = 0, dstLength = 0, srcStart = 0, srcLength = 0;
};
PaintAxis ComputePaintAxis(std::int32_t boxLength, std::int32_t pictureLength, std::int32_t zoom,
                           std::int32_t position, bool scrolling) noexcept;

// A pan step: the position that keeps the picture under the mouse, held to 0 ... maximum.
std::int32_t PanPosition(std::int32_t lastMouse, std::int32_t mouse, std::int32_t position,
                         std::int32_t maximum) noexcept;

// The picture pixel under a box coordinate: (position + mouse) / scale, rounded
// down, held to +-2^30 so that scaling it back cannot overflow. scaleFactor > 0.
std::int32_t PictureCoordinate(std::int32_t position, std::int32_t mouse, float scaleFactor) noexcept;

// The picture area in view, in picture pixels (integer division by the zoom).
Rect32 VisiblePictureRect(const CanvasLayout& layout, std::int32_t zoom) noexcept;

// Zoom as stored: values below 1 become 1.
constexpr std::int32_t ClampZoom(std::int32_t factor) noexcept { return factor < 1 ? 1 : factor; }

} // namespace quillmere
