// Inline helpers shared by the dithering stages: the index depth of a palette,
// writing an index into a row of the index buffer, the row scan, and the
// Floyd-Steinberg error diffusion.
#pragma once

#include "imaging/Errors.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace quillmere::dither {

// Writes index into a zero-filled buffer row at pixel x, most significant bits
// first: 8 bits a byte; 4 bits with the even pixel in the high nibble; 1 bit
// with pixel 0 in bit 7.
template <int Depth> inline void PutIndex(std::uint8_t* row, std::int32_t x, std::uint8_t index) noexcept
{
    if constexpr (Depth == 8) {
        row[x] = index;
    } else if constexpr (Depth == 4) {
        row[x >> 1] |= static_cast<std::uint8_t>((x & 1) ? (index & 0x0F) : (index << 4));
    } else {
        static_assert(Depth == 1);
        if (index & 1)
            row[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
    }
}

// The index depth for a palette of Count entries: 8, 4 or 1 bits. Throws Error
// for any count but 256, 16 and 2.
inline std::int32_t DepthForCount(std::int32_t count)
{
    switch (count) {
    case 256:
        return 8;
    case 16:
        return 4;
    case 2:
        return 1;
    default:
        throw Error("Only a palette of 2, 16 or 256 colours can be dithered to, not one of "
                    + std::to_string(count));
    }
}

// Walks the surface top row first, each row left to right; the index of picture
// row y goes to buffer row H - 1 - y. pick(px, x, y) returns the index of the
// pixel at px and overwrites it; rowDone(y) follows each row.
template <int Depth, typename Pick, typename RowDone>
void ScanRows(std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride, std::int32_t W, std::int32_t H,
              Pick&& pick, RowDone&& rowDone)
{
    for (std::int32_t y = 0; y < H; ++y) {
        std::uint8_t* row = buffer + static_cast<std::ptrdiff_t>(H - 1 - y) * stride;
        std::uint8_t* px = bits + static_cast<std::ptrdiff_t>(y) * W * 4;
        for (std::int32_t x = 0; x < W; ++x, px += 4)
            PutIndex<Depth>(row, x, pick(px, x, y));
        rowDone(y);
    }
}

// ScanRows at a depth chosen at run time.
template <typename Pick, typename RowDone>
void ScanRowsAtDepth(std::int32_t depth, std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride,
                     std::int32_t W, std::int32_t H, Pick&& pick, RowDone&& rowDone)
{
    switch (depth) {
    case 8:
        ScanRows<8>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    case 4:
        ScanRows<4>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    default:
        ScanRows<1>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    }
}

inline std::uint8_t Clamp255(std::int32_t v) noexcept
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// Floyd-Steinberg: the error of pixel (x, y) goes 7/16 right, 5/16 below, 1/16
// below right and 3/16 below left, each share truncated toward zero on its own
// and each neighbour's byte clamped to 0..255 after each share. A summed error
// of 3 or less is not worth passing on.
//
// The shares and the clamping come from tables made once per call, so a pixel
// costs look-ups and additions only.
class FloydSteinberg {
public:
    FloydSteinberg() noexcept
    {
        for (std::int32_t e = -255; e <= 255; ++e) {
            const std::size_t i = static_cast<std::size_t>(e + 255);
            right_[i] = static_cast<std::int16_t>(e * 7 / 16);
            below_[i] = static_cast<std::int16_t>(e * 5 / 16);
            belowRight_[i] = static_cast<std::int16_t>(e * 1 / 16);
            belowLeft_[i] = static_cast<std::int16_t>(e * 3 / 16);
        }
        for (std::int32_t v = -kClampLow; v < 256 + kClampLow; ++v)
            clamp_[static_cast<std::size_t>(v + kClampLow)] = Clamp255(v);
    }

    static bool WorthPassingOn(std::int32_t eB, std::int32_t eG, std::int32_t eR) noexcept
    {
        return std::abs(eR) + std::abs(eG) + std::abs(eB) > 3;
    }

    // The right neighbour's share, added to its colour held in B, G, R.
    void AddRight(std::int32_t& B, std::int32_t& G, std::int32_t& R, std::int32_t eB, std::int32_t eG,
                  std::int32_t eR) const noexcept
    {
        B = clamp_[static_cast<std::size_t>(B + right_[static_cast<std::size_t>(eB + 255)] + kClampLow)];
        G = clamp_[static_cast<std::size_t>(G + right_[static_cast<std::size_t>(eG + 255)] + kClampLow)];
        R = clamp_[static_cast<std::size_t>(R + right_[static_cast<std::size_t>(eR + 255)] + kClampLow)];
    }

    // The shares of the row below: below is the pixel under (x, y) in a row of
    // W pixels.
    void AddBelow(std::uint8_t* below, std::int32_t x, std::int32_t W, std::int32_t eB, std::int32_t eG,
                  std::int32_t eR) const noexcept
    {
        const std::size_t iB = static_cast<std::size_t>(eB + 255);
        const std::size_t iG = static_cast<std::size_t>(eG + 255);
        const std::size_t iR = static_cast<std::size_t>(eR + 255);
        Add(below, below_, iB, iG, iR);
        if (x < W - 1)
            Add(below + 4, belowRight_, iB, iG, iR);
        if (x > 0)
            Add(below - 4, belowLeft_, iB, iG, iR);
    }

    // px is pixel (x, y) of a W x H surface; eB, eG, eR lie in -255..255.
    void Diffuse(std::uint8_t* px, std::int32_t x, std::int32_t y, std::int32_t W, std::int32_t H,
                 std::int32_t eB, std::int32_t eG, std::int32_t eR) const noexcept
    {
        if (!WorthPassingOn(eB, eG, eR))
            return;
        if (x < W - 1)
            Add(px + 4, right_, static_cast<std::size_t>(eB + 255), static_cast<std::size_t>(eG + 255),
                static_cast<std::size_t>(eR + 255));
        if (y < H - 1)
            AddBelow(px + static_cast<std::ptrdiff_t>(W) * 4, x, W, eB, eG, eR);
    }

private:
    // Largest share: 255 * 7 / 16 = 111.
    static constexpr std::int32_t kClampLow = 112;
    using ShareTable = std::array<std::int16_t, 511>;

    void Add(std::uint8_t* p, const ShareTable& share, std::size_t iB, std::size_t iG, std::size_t iR) const noexcept
    {
        p[0] = clamp_[static_cast<std::size_t>(p[0] + share[iB] + kClampLow)];
        p[1] = clamp_[static_cast<std::size_t>(p[1] + share[iG] + kClampLow)];
        p[2] = clamp_[static_cast<std::size_t>(p[2] + share[iR] + kClampLow)];
    }

    ShareTable right_, below_, belowRight_, belowLeft_;
    std::array<std::uint8_t, 256 + 2 * kClampLow> clamp_;
};

} // namespace quillmere::dither
