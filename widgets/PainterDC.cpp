#include "PainterDC.h"

#include "SystemColours.h"

#include <QBrush>
#include <QPainter>

#include <algorithm>
#include <limits>

namespace quillmere {

namespace {

bool FitsInt(std::int64_t v)
{
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

// The painter's clip, or the whole device when it has none.
QRect ClipOf(const QPainter& p)
{
    if (p.hasClipping())
        return p.clipBoundingRect().toAlignedRect();
    return QRect(0, 0, p.device()->width(), p.device()->height());
}

} // namespace

QImage ImageOver(const PixelView& pixels)
{
    if (pixels.empty())
        return {};
    // The const overload keeps the image from ever writing into (or detaching from) the pixels.
    return QImage(static_cast<const uchar*>(pixels.bits), pixels.width, pixels.height,
                  static_cast<qsizetype>(pixels.width) * 4, QImage::Format_RGB32);
}

bool VisibleStretchSpan(std::int64_t dst, std::int64_t dstLen, std::int64_t src, std::int64_t srcLen,
                        std::int64_t sourceSize, std::int64_t clipStart, std::int64_t clipEnd,
                        StretchSpan& out)
{
    if (srcLen <= 0 || dstLen <= 0 || dstLen % srcLen != 0)
        return false;
    const std::int64_t zoom = dstLen / srcLen;
    // Source pixels i (0 <= i < srcLen) cover [dst + i * zoom, dst + (i + 1) * zoom).
    std::int64_t first = clipStart > dst ? (clipStart - dst) / zoom : 0;
    std::int64_t last = clipEnd - dst <= 0 ? 0 : (clipEnd - dst + zoom - 1) / zoom; // exclusive
    last = std::min(last, srcLen);
    // Pixels beyond the picture are not drawn.
    first = std::max(first, -src);
    last = std::min(last, sourceSize - src);
    if (last <= first)
        return false;
    out = {dst + first * zoom, src + first, last - first};
    return true;
}

PainterDC::PainterDC(QPainter& painter) : painter_(painter)
{
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

void PainterDC::BitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h, const PixelView& src,
                       std::int32_t xs, std::int32_t ys)
{
    StretchBlt(x, y, w, h, src, xs, ys, w, h);
}

void PainterDC::StretchBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                           const PixelView& src, std::int32_t xs, std::int32_t ys, std::int32_t ws,
                           std::int32_t hs)
{
    if (src.empty() || w == 0 || h == 0 || ws == 0 || hs == 0)
        return;
    if (w < 0 || h < 0 || ws < 0 || hs < 0) {
        // Mirrored copies: flip the painter and copy forwards.
        std::int64_t dx = x, dw = w, dy = y, dh = h, sx = xs, sw = ws, sy = ys, sh = hs;
        double fx = 1, fy = 1;
        if ((dw < 0) != (sw < 0))
            fx = -1;
        if ((dh < 0) != (sh < 0))
            fy = -1;
        if (dw < 0) { dx = dx + dw + 1; dw = -dw; }
        if (sw < 0) { sx = sx + sw + 1; sw = -sw; }
        if (dh < 0) { dy = dy + dh + 1; dh = -dh; }
        if (sh < 0) { sy = sy + sh + 1; sh = -sh; }
        if (!FitsInt(dx + dw) || !FitsInt(dy + dh))
            return;
        painter_.save();
        painter_.translate(fx < 0 ? 2.0 * static_cast<double>(dx) + static_cast<double>(dw) : 0.0,
                           fy < 0 ? 2.0 * static_cast<double>(dy) + static_cast<double>(dh) : 0.0);
        painter_.scale(fx, fy);
        const QImage img = ImageOver(src);
        painter_.drawImage(QRectF(dx, dy, dw, dh), img, QRectF(sx, sy, sw, sh));
        painter_.restore();
        return;
    }
    const QImage img = ImageOver(src);
    const QRect clip = ClipOf(painter_);
    StretchSpan sx, sy;
    const bool whole = w % ws == 0 && h % hs == 0;
    if (whole) {
        // Whole magnification (the canvas at any zoom): draw exactly the source
        // pixels under the clip, so that a small exposed area costs little.
        if (!VisibleStretchSpan(x, w, xs, ws, src.width, clip.left(), clip.left() + clip.width(), sx) ||
            !VisibleStretchSpan(y, h, ys, hs, src.height, clip.top(), clip.top() + clip.height(), sy))
            return;
        const std::int64_t zx = w / ws, zy = h / hs;
        const std::int64_t dw = sx.count * zx, dh = sy.count * zy;
        if (!FitsInt(sx.dst) || !FitsInt(sy.dst) || !FitsInt(sx.dst + dw) || !FitsInt(sy.dst + dh))
            return;
        const QRect source(static_cast<int>(sx.src), static_cast<int>(sy.src), static_cast<int>(sx.count),
                           static_cast<int>(sy.count));
        if (zx == 1 && zy == 1)
            painter_.drawImage(QPoint(static_cast<int>(sx.dst), static_cast<int>(sy.dst)), img, source);
        else
            painter_.drawImage(QRect(static_cast<int>(sx.dst), static_cast<int>(sy.dst), static_cast<int>(dw),
                                     static_cast<int>(dh)),
                               img, source);
        return;
    }
    // A fractional scale (a fitted picture): Qt samples the nearest pixel within the clip.
    painter_.drawImage(QRectF(x, y, w, h), img, QRectF(xs, ys, ws, hs));
}

void PainterDC::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                         std::int32_t colour)
{
    if (right <= left || bottom <= top)
        return;
    painter_.fillRect(QRect(QPoint(left, top), QPoint(right - 1, bottom - 1)),
                      ColourFromNumber(static_cast<std::uint32_t>(colour) & 0x00FFFFFFu));
}

QColor PainterDC::SetBkColor(const QColor& colour)
{
    const QColor old = painter_.background().color();
    painter_.setBackground(colour);
    return old;
}

QColor PainterDC::SetTextColor(const QColor& colour)
{
    const QColor old = text_;
    text_ = colour;
    return old;
}

void PainterDC::FrameRect(const Rect32& r, const QBrush& pattern)
{
    if (r.IsEmpty())
        return;
    QBrush brush = pattern;
    brush.setColor(text_);
    const Qt::BGMode oldMode = painter_.backgroundMode();
    painter_.setBackgroundMode(Qt::OpaqueMode);
    const int w = r.Width(), h = r.Height();
    painter_.fillRect(QRect(r.left, r.top, w, 1), brush);
    painter_.fillRect(QRect(r.left, r.bottom - 1, w, 1), brush);
    painter_.fillRect(QRect(r.left, r.top, 1, h), brush);
    painter_.fillRect(QRect(r.right - 1, r.top, 1, h), brush);
    painter_.setBackgroundMode(oldMode);
}

} // namespace quillmere
