// How much of a progress bar is filled.
#pragma once

#include <algorithm>
#include <cstdint>

namespace quillmere {

// (width * value) \ max, truncated toward zero, then held to 0 ... width: a value
// above max fills the bar, a negative one leaves it empty, and no product can
// overflow. max must be at least 1.
constexpr std::int32_t FilledWidth(std::int32_t width, std::int32_t value, std::int32_t max) noexcept
{
    const std::int64_t filled = static_cast<std::int64_t>(width) * value / max;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(filled, 0, std::max(width, 0)));
}

} // namespace quillmere
