// The Floyd-Steinberg error diffusion of the palette dithers.
#pragma once

#include "palette/PixelRows.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace quillmere::dither {

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
