#include "CanvasLayout.h"

#include "imaging/Numeric.h"
#include "imaging/cDIB.h"

#include <algorithm>
#include <cmath>

namespace quillmere {

AxisView LayoutAxis(std::int32_t controlLength, std::int32_t pictureLength, std::int32_t zoom)
{
    const std::int32_t zoomed = checkedMul(pictureLength, zoom, "zoomed picture size");
    AxisView a;
    if (controlLength >= zoomed) {
        a.boxLength = zoomed;
    } else {
        a.boxLength = std::max(controlLength, 0);
        a.maximum = zoomed - a.boxLength;
        a.position = a.maximum / 2;
    }
    a.boxStart = (std::max(controlLength, 0) - a.boxLength) / 2;
    return a;
}

CanvasLayout ComputeCanvasLayout(const cDIB& dib, std::int32_t controlWidth, std::int32_t controlHeight,
                                 std::int32_t zoom, bool fitMode)
{
    CanvasLayout l;
    if (!dib.hDIB())
        return l;
    l.picture = true;
    if (fitMode) {
        std::int32_t x, y, w, h;
        dib.GetBestFitInfo(std::max(controlWidth, 0), std::max(controlHeight, 0), x, y, w, h, false);
        l.h = {x, w, 0, 0};
        l.v = {y, h, 0, 0};
        // Single precision, as the frame keeps it.
        l.scaleFactor = w > h ? static_cast<float>(h) / static_cast<float>(dib.Height())
                              : static_cast<float>(w) / static_cast<float>(dib.Width());
        return l;
    }
    l.h = LayoutAxis(controlWidth, dib.Width(), zoom);
    l.v = LayoutAxis(controlHeight, dib.Height(), zoom);
    l.scaleFactor = static_cast<float>(zoom);
    return l;
}

PaintAxis ComputePaintAxis(std::int32_t boxLength, std::int32_t pictureLength, std::int32_t zoom,
                           std::int32_t position, bool scrolling) noexcept
{
    if (!scrolling)
        return {0, boxLength, 0, pictureLength};
    const std::int64_t whole = boxLength / zoom + 2;
    return {-(position % zoom), whole * zoom, position / zoom, whole};
}

std::int32_t PanPosition(std::int32_t lastMouse, std::int32_t mouse, std::int32_t position,
                         std::int32_t maximum) noexcept
{
    const std::int64_t p = std::int64_t{lastMouse} - mouse + position;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(p, 0, std::max(maximum, 0)));
}

std::int32_t PictureCoordinate(std::int32_t position, std::int32_t mouse, float scaleFactor) noexcept
{
    // The quotient of an integer by a single is formed in double. A mouse held
    // far outside a huge view is taken as the nearest representable pixel: the
    // frame is clipped to the picture anyway.
    const double q = std::floor(static_cast<double>(std::int64_t{position} + mouse) / static_cast<double>(scaleFactor));
    return static_cast<std::int32_t>(std::clamp(q, -1073741824.0, 1073741823.0));
}

Rect32 VisiblePictureRect(const CanvasLayout& layout, std::int32_t zoom) noexcept
{
    const std::int32_t x1 = layout.h.position / zoom, y1 = layout.v.position / zoom;
    return {x1, y1, x1 + layout.h.boxLength / zoom, y1 + layout.v.boxLength / zoom};
}

} // namespace quillmere
