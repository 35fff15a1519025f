// Small inline helpers shared by the dithering stages: writing an index into a
// row of the index buffer, and the Floyd-Steinberg error diffusion.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

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

inline std::uint8_t Clamp255(std::int32_t v) noexcept
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// Adds (e * w) / 16 (truncated toward zero) to each colour byte of the pixel;
// the reserved byte stays.
inline void AddShare(std::uint8_t* px, std::int32_t eB, std::int32_t eG, std::int32_t eR, std::int32_t w) noexcept
{
    px[0] = Clamp255(px[0] + eB * w / 16);
    px[1] = Clamp255(px[1] + eG * w / 16);
    px[2] = Clamp255(px[2] + eR * w / 16);
}

// Floyd-Steinberg: the error of pixel (x, y) goes 7/16 right, 5/16 below, 1/16
// below right and 3/16 below left, each share truncated on its own. A summed
// error of 3 or less is not worth passing on. px is pixel (x, y) of a W x H
// surface.
inline void DiffuseFloydSteinberg(std::uint8_t* px, std::int32_t x, std::int32_t y, std::int32_t W,
                                  std::int32_t H, std::int32_t eB, std::int32_t eG, std::int32_t eR) noexcept
{
    if (std::abs(eR) + std::abs(eG) + std::abs(eB) <= 3)
        return;
    if (x < W - 1)
        AddShare(px + 4, eB, eG, eR, 7);
    if (y < H - 1) {
        std::uint8_t* below = px + static_cast<std::ptrdiff_t>(W) * 4;
        AddShare(below, eB, eG, eR, 5);
        if (x < W - 1)
            AddShare(below + 4, eB, eG, eR, 1);
        if (x > 0)
            AddShare(below - 4, eB, eG, eR, 3);
    }
}

} // namespace quillmere::dither
