#include "palette/LookupPalette.h"

namespace quillmere {

LookupPalette::LookupPalette(const std::uint8_t* entries, std::int32_t count)
{
    rgb_.reserve(static_cast<std::size_t>(count) * 3);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::uint8_t* e = entries + static_cast<std::size_t>(i) * 4;
        rgb_.push_back(e[2]);
        rgb_.push_back(e[1]);
        rgb_.push_back(e[0]);
    }
}

std::int32_t LookupPalette::NearestIndex(std::uint8_t R, std::uint8_t G, std::uint8_t B) const noexcept
{
    std::int32_t best = -1;
    std::int32_t bestDistance = 0;
    const std::int32_t n = Count();
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t dr = rgb_[3 * i] - R;
        const std::int32_t dg = rgb_[3 * i + 1] - G;
        const std::int32_t db = rgb_[3 * i + 2] - B;
        const std::int32_t d = dr * dr + dg * dg + db * db;
        // Strictly smaller only: ties keep the lower entry number.
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0)
                break;
        }
    }
    return best;
}

} // namespace quillmere
