// The drawing contexts a surface is copied from and to: a small stand-in for the
// platform's drawing layer with only what the pictures need (plain copy, scaled
// copy, solid fill). A context is either a 32-bit pixel buffer (every cDIB owns
// one) or, on the window side, a painter.
#pragma once

#include <cstdint>

namespace quillmere {

// A 32-bit picture in memory: 4 bytes a pixel (blue, green, red, reserved),
// rows top-down, Width * 4 bytes a row, no gaps.
struct PixelView {
    std::uint8_t* bits = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;

    bool empty() const noexcept { return bits == nullptr || width <= 0 || height <= 0; }
};

// Scaling rules of a scaled copy. Only colour-on-colour exists here: every mode
// copies whole source pixels, dropping or repeating rows and columns.
enum StretchBltMode : std::int32_t {
    BlackOnWhite = 1,
    WhiteOnBlack = 2,
    ColorOnColor = 3,
    Halftone = 4,
};

class DrawingContext {
public:
    virtual ~DrawingContext() = default;

    // Copies w x h pixels from (xs, ys) of src to (x, y) of this context, without
    // scaling. Pixels outside either picture are left out.
    virtual void BitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                        const PixelView& src, std::int32_t xs, std::int32_t ys) = 0;

    // Copies the source rectangle (xs, ys, ws, hs) onto the destination rectangle
    // (x, y, w, h), each destination pixel taking the nearest source pixel. A
    // negative w (or h) mirrors: destination columns run x, x - 1, ..., x + w + 1.
    virtual void StretchBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                            const PixelView& src, std::int32_t xs, std::int32_t ys,
                            std::int32_t ws, std::int32_t hs) = 0;

    // Fills (left, top)-(right, bottom), right and bottom excluded, with a colour
    // given as 0x00BBGGRR.
    virtual void FillRect(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom, std::int32_t colour) = 0;

    // The pixels this context holds, as a source for copies; empty when it holds none.
    virtual PixelView Pixels() const { return {}; }

    std::int32_t GetStretchBltMode() const noexcept { return stretchMode_; }
    // Returns the previous mode.
    std::int32_t SetStretchBltMode(std::int32_t mode) noexcept
    {
        const std::int32_t old = stretchMode_;
        stretchMode_ = mode;
        return old;
    }

private:
    std::int32_t stretchMode_ = BlackOnWhite;
};

// A drawing context bound to a 32-bit pixel buffer it does not own.
class PixelBufferDC final : public DrawingContext {
public:
    explicit PixelBufferDC(PixelView target) noexcept : target_(target) {}

    void BitBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                const PixelView& src, std::int32_t xs, std::int32_t ys) override;
    void StretchBlt(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h,
                    const PixelView& src, std::int32_t xs, std::int32_t ys, std::int32_t ws,
                    std::int32_t hs) override;
    void FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                  std::int32_t colour) override;
    PixelView Pixels() const override { return target_; }

private:
    PixelView target_;
};

// The source coordinate that destination step k of n (0 <= k < n) reads when a
// source extent of size srcExtent starting at srcStart is scaled onto n steps:
// the source pixel under the centre of the destination pixel. A negative source
// extent reads backwards.
std::int64_t StretchSourceIndex(std::int64_t k, std::int64_t n, std::int32_t srcStart,
                                std::int32_t srcExtent) noexcept;

// 0x00BBGGRR to the pixel word 0x00RRGGBB.
constexpr std::uint32_t PixelFromColour(std::int32_t colour) noexcept
{
    const auto c = static_cast<std::uint32_t>(colour);
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

} // namespace quillmere
