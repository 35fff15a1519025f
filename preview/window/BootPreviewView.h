// What the Boot Preview window shows besides the picture: how large it draws
// the 640 x 480 screen and the line that names the logo and its animation.
// Plain C++, so the window's arithmetic is tested without one.
#pragma once

#include "preview/RowPattern.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace quillmere {

// The largest whole number of 640 x 480 screens that fits width x height, at
// least 1 (a smaller window shows the middle of the screen).
constexpr std::int32_t PreviewScale(std::int32_t width, std::int32_t height) noexcept
{
    return std::max<std::int32_t>(1, std::min(width / kBootScreenWidth, height / kBootScreenHeight));
}

// "entries 236 to 255 rotate, 18 steps a second", or "still" when first is 0.
inline std::string AnimationText(std::int32_t first, std::int32_t fps)
{
    if (first < 1 || first > 255)
        return "still";
    const std::string rate = std::to_string(fps) + (fps == 1 ? " step a second" : " steps a second");
    if (first == 255)
        return "entry 255 rotates, " + rate;
    return "entries " + std::to_string(first) + " to 255 rotate, " + rate;
}

} // namespace quillmere
