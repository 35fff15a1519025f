// How a logo's pixels land on the 640 x 480 screen. The logo's video mode has
// 320 x 400 pixels on a 4:3 screen, so each pixel is 2 screen pixels wide and
// 1.2 tall: every column is drawn twice, and of every 5 rows the middle one
// twice (rows 0, 1, 2, 2, 3, 4 of each group of 5), nearest pixel, so no row is
// lost. A picture of another size is scaled by the same factors and centred;
// what falls outside the screen is cut off.
#pragma once

#include <cstdint>

namespace quillmere {

inline constexpr std::int32_t kBootScreenWidth = 640;
inline constexpr std::int32_t kBootScreenHeight = 480;

// Screen columns of a picture width wide: 2 * width.
constexpr std::int64_t ScaledWidth(std::int64_t width) noexcept { return 2 * width; }

// The source row shown on scaled row y (0-based, y >= 0): the row whose centre
// is nearest to the centre of y, floor((y + 1/2) * 5/6), in integers.
constexpr std::int64_t SourceRow(std::int64_t y) noexcept { return (10 * y + 5) / 12; }

// Scaled rows of a picture height rows tall: every y with SourceRow(y) < height,
// that is y < (12 * height - 5) / 10, rounded up. 400 rows give 480. Each step of
// y advances the source by 5/6 of a row, so every source row appears once or
// twice, in order, and the last row ends the picture.
constexpr std::int64_t ScaledHeight(std::int64_t height) noexcept
{
    return height <= 0 ? 0 : (12 * height + 4) / 10;
}

// Where the scaled picture's first column or row sits on a screen side of
// screen pixels: centred, rounded towards the top left; negative when the
// picture is larger than the screen.
constexpr std::int64_t CentredOffset(std::int64_t screen, std::int64_t scaled) noexcept
{
    const std::int64_t d = screen - scaled;
    return d >= 0 ? d / 2 : -((-d + 1) / 2);
}

} // namespace quillmere
