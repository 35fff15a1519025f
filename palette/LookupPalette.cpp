#include "palette/LookupPalette.h"

#include <algorithm>

namespace quillmere {

LookupPalette::LookupPalette(const std::uint8_t* entries, std::int32_t count)
    : count_(std::clamp(count, 0, kSlots))
{
    red_.fill(kFar);
    green_.fill(kFar);
    blue_.fill(kFar);
    for (std::int32_t i = 0; i < count_; ++i) {
        const std::uint8_t* e = entries + static_cast<std::size_t>(i) * 4;
        blue_[i] = e[0];
        green_[i] = e[1];
        red_[i] = e[2];
    }
}

std::int32_t LookupPalette::NearestIndex(std::uint8_t R, std::uint8_t G, std::uint8_t B) const noexcept
{
    if (count_ == 0)
        return -1;
    // One key per entry, distance * 256 + entry number: the smallest key is the
    // smallest squared distance (an exact match has 0), ties going to the lower
    // number. Real distances stay below 3 * 255^2 and padding's below 3 * 1255^2,
    // so keys fit 32 bits.
    std::int32_t best = 0x7FFFFFFF;
    for (std::int32_t i = 0; i < kSlots; ++i) {
        const auto dr = static_cast<std::int16_t>(red_[i] - R);
        const auto dg = static_cast<std::int16_t>(green_[i] - G);
        const auto db = static_cast<std::int16_t>(blue_[i] - B);
        const std::int32_t key = ((dr * dr + dg * dg + db * db) << 8) | i;
        best = std::min(best, key);
    }
    return best & 0xFF;
}

} // namespace quillmere
