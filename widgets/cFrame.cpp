#include "cFrame.h"

#include "PainterDC.h"
#include "imaging/Numeric.h"

#include <QBitmap>

#include <algorithm>
#include <utility>

namespace quillmere {

cFrame::cFrame()
{
    for (std::size_t k = 0; k < 8; ++k) {
        // A one-bit pattern brush paints its 0 bits in the text colour and its 1
        // bits in the background colour; Qt paints set bits in the brush colour,
        // so the bitmap holds the inverted rows.
        std::array<uchar, 8> rows{};
        for (std::size_t i = 0; i < 8; ++i)
            rows[i] = static_cast<uchar>(~Pattern[(i + k) % 8]);
        brushes_[k] = QBrush(Qt::black, QBitmap::fromData(QSize(8, 8), rows.data(), QImage::Format_Mono));
    }
}

void cFrame::Init(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) noexcept
{
    bounds_ = {x1, y1, x2, y2};
    Clear();
}

void cFrame::Clear() noexcept
{
    frame_ = {};
    scaled_ = {};
}

namespace {

Rect32 Intersect(const Rect32& a, const Rect32& b)
{
    const Rect32 r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
    return r.IsEmpty() ? Rect32{} : r;
}

} // namespace

void cFrame::SetFrameRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, bool CropMain)
{
    Rect32 r{x1, y1, x2, y2};
    if (r.bottom < r.top)
        std::swap(r.top, r.bottom);
    if (r.right < r.left)
        std::swap(r.left, r.right);
    if (CropMain)
        r = Intersect(r, bounds_);
    scaled_ = Scale(r, scale_);
    frame_ = r;
}

void cFrame::Crop()
{
    const Rect32 r = Intersect(frame_, bounds_);
    scaled_ = Scale(r, scale_);
    frame_ = r;
}

void cFrame::Offset(std::int32_t dx, std::int32_t dy)
{
    const Rect32 r{checkedAdd(frame_.left, dx), checkedAdd(frame_.top, dy), checkedAdd(frame_.right, dx),
                   checkedAdd(frame_.bottom, dy)};
    scaled_ = Scale(r, scale_);
    frame_ = r;
}

void cFrame::ScaleFactor(float Factor)
{
    const float f = Factor >= MinScaleFactor ? Factor : MinScaleFactor; // NaN too
    scaled_ = Scale(frame_, f);
    scale_ = f;
}

Rect32 cFrame::Scale(const Rect32& r, float factor)
{
    // A 32-bit coordinate times a single-precision factor is formed in double,
    // then rounded halves to even.
    auto s = [factor](std::int32_t v) { return roundToInt(static_cast<double>(v) * static_cast<double>(factor)); };
    return {s(r.left), s(r.top), s(r.right), s(r.bottom)};
}

void cFrame::PaintToDC(PainterDC& hDC, std::int32_t xOffset, std::int32_t yOffset) const
{
    if (IsFrameEmpty())
        return;
    const std::int64_t l = std::int64_t{scaled_.left} + xOffset, t = std::int64_t{scaled_.top} + yOffset;
    const std::int64_t r = std::int64_t{scaled_.right} + xOffset, b = std::int64_t{scaled_.bottom} + yOffset;
    // A border that far out lies outside any drawing surface.
    constexpr std::int64_t lim = 1 << 30;
    if (l < -lim || t < -lim || r > lim || b > lim)
        return;
    const QColor oldBk = hDC.SetBkColor(Qt::white);
    const QColor oldText = hDC.SetTextColor(Qt::black);
    hDC.FrameRect({static_cast<std::int32_t>(l), static_cast<std::int32_t>(t), static_cast<std::int32_t>(r),
                   static_cast<std::int32_t>(b)},
                  brushes_[static_cast<std::size_t>(brushIndex_)]);
    hDC.SetTextColor(oldText);
    hDC.SetBkColor(oldBk);
}

bool cFrame::GetFrameRect(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2, std::int32_t& y2,
                          bool Scaled) const noexcept
{
    if (IsFrameEmpty())
        return false;
    const Rect32& r = Scaled ? scaled_ : frame_;
    x1 = r.left;
    y1 = r.top;
    x2 = r.right;
    y2 = r.bottom;
    return true;
}

bool cFrame::IsPointInFrame(std::int32_t x, std::int32_t y) const noexcept
{
    return !IsFrameEmpty() && x >= frame_.left && x < frame_.right && y >= frame_.top && y < frame_.bottom;
}

} // namespace quillmere
