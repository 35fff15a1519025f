// The drawing context of the window side: the copies and fills of the core's
// DrawingContext drawn with a QPainter, plus the few operations of the controls
// (pattern frames, edges). Scaled copies repeat pixels, never blend, and touch
// only what lies inside the painter's clip.
#pragma once

#include "Rect32.h"
#include "imaging/DrawingContext.h"

#include <QColor>
#include <QImage>

class QBrush;
class QPainter;

namespace quillmere {

// A QImage over the pixels of a surface, without a copy: valid while they live.
QImage ImageOver(const PixelView& pixels);

class PainterDC final : public DrawingContext {
public:
    // The painter must outlive the context. Smoothing is switched off on it.
    explicit PainterDC(QPainter& painter);

    void BitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const PixelView& src,
                std::int32_t xs, std::int32_t ys) override;
    void StretchBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const PixelView& src,
                    std::int32_t xs, std::int32_t ys, std::int32_t ws, std::int32_t hs) override;
    void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                  std::int32_t colour) override;

    // The two colours of a one-bit pattern brush: its 0 bits take the text colour,
    // its 1 bits the background colour. Each returns the colour it replaces.
    QColor SetBkColor(const QColor& colour);
    QColor SetTextColor(const QColor& colour);
    // A one-pixel border along the inside of r, painted with a brush whose bitmap
    // holds the inverted pattern bits (Qt paints set bits in the brush colour).
    void FrameRect(const Rect32& r, const QBrush& pattern);

    QPainter& Painter() const noexcept { return painter_; }

private:
    QPainter& painter_;
    QColor text_ = Qt::black;
};

// The integer-magnification part of a scaled copy that lands inside a clip, one
// axis at a time: whole source pixels only, so the nearest-pixel rule gives the
// same picture as the full copy. False when nothing of it is visible.
struct StretchSpan {
    std::int64_t dst = 0;   // destination start
    std::int64_t src = 0;   // first source pixel
    std::int64_t count = 0; // source pixels
};
bool VisibleStretchSpan(std::int64_t dst, std::int64_t dstLen, std::int64_t src, std::int64_t srcLen,
                        std::int64_t sourceSize, std::int64_t clipStart, std::int64_t clipEnd,
                        StretchSpan& out);

} // namespace quillmere
