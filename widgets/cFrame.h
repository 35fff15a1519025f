// The crop frame: a rectangle in picture pixels and the same rectangle scaled to
// the zoomed view, drawn as a one-pixel border with a two-pixel diagonal stripe.
#pragma once

#include "Rect32.h"

#include <QBrush>

#include <array>
#include <cstdint>

namespace quillmere {

class PainterDC;

class cFrame {
public:
    // Rows, top to bottom, of the 8 x 8 stripe pattern (leftmost pixel in the top bit).
    static constexpr std::array<std::uint8_t, 8> Pattern{0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99};
    static constexpr float MinScaleFactor = 0.01f;

    cFrame();

    // Bounds = (x1, y1, x2, y2); the frame becomes empty.
    void Init(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) noexcept;
    // The frame becomes empty.
    void Clear() noexcept;
    // Frame = the two corners, ordered so that left <= right and top <= bottom;
    // with CropMain then clipped to the bounds.
    void SetFrameRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, bool CropMain = false);
    // Frame = its intersection with the bounds; empty when they do not overlap.
    void Crop();
    // Moves the frame. Throws OverflowError when a side leaves the 32-bit range.
    void Offset(std::int32_t dx, std::int32_t dy);

    // Draws the border along the inside of the scaled frame shifted by the
    // offsets, white and black with the current brush; nothing for an empty frame.
    void PaintToDC(PainterDC& hDC, std::int32_t xOffset = 0, std::int32_t yOffset = 0) const;
    // Steps to the next of the eight shifted brushes.
    void RotateBrush() noexcept { brushIndex_ = (brushIndex_ + 1) % 8; }
    std::int32_t BrushIndex() const noexcept { return brushIndex_; }
    // Brush k paints row (i + k) mod 8 of the pattern as its row i.
    const QBrush& Brush(std::int32_t k) const { return brushes_.at(static_cast<std::size_t>(k)); }

    // False, outputs untouched, when the frame is empty; else the frame (or the
    // scaled frame) and true.
    bool GetFrameRect(std::int32_t& x1, std::int32_t& y1, std::int32_t& x2, std::int32_t& y2,
                      bool Scaled = false) const noexcept;
    bool IsFrameEmpty() const noexcept { return frame_.IsEmpty(); }
    // Left and top inclusive, right and bottom exclusive.
    bool IsPointInFrame(std::int32_t x, std::int32_t y) const noexcept;

    float ScaleFactor() const noexcept { return scale_; }
    // Values below 0.01 (and NaN) become 0.01. Throws OverflowError when a scaled
    // side leaves the 32-bit range; the scale factor is then unchanged.
    void ScaleFactor(float Factor);

    const Rect32& Bounds() const noexcept { return bounds_; }

private:
    static Rect32 Scale(const Rect32& r, float factor);

    Rect32 bounds_;
    Rect32 frame_;
    Rect32 scaled_;
    float scale_ = 1.0f;
    std::array<QBrush, 8> brushes_;
    std::int32_t brushIndex_ = 0;
};

} // namespace quillmere
