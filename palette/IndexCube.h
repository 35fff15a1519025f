// The 16 x 16 x 16 index cube of colour dithering: cell (r4, g4, b4) holds the
// palette entry nearest to (17 r4, 17 g4, 17 b4). Cells are filled on first use,
// which gives the same cube as filling all 4096 up front while searching only
// the cells a picture reaches.
#pragma once

#include "palette/LookupPalette.h"

#include <array>
#include <cstdint>

namespace quillmere {

class IndexCube {
public:
    // lookup may be null: the first cell asked for then fails.
    explicit IndexCube(const LookupPalette* lookup) noexcept : lookup_(lookup) { cells_.fill(-1); }

    // The grid level of a component: round(v / 17), 0..15.
    static std::int32_t Level(std::uint8_t v) noexcept { return (v + 8) / 17; }

    // The cell of a colour given as the three grid levels. Throws OverflowError
    // when there is no lookup palette to answer.
    std::uint8_t At(std::int32_t r4, std::int32_t g4, std::int32_t b4)
    {
        std::int16_t& cell = cells_[(r4 << 8) | (g4 << 4) | b4];
        if (cell < 0)
            cell = Search(r4, g4, b4);
        return static_cast<std::uint8_t>(cell);
    }

    // Fills every cell, as a cube built up front would be.
    void FillAll();

private:
    std::int16_t Search(std::int32_t r4, std::int32_t g4, std::int32_t b4) const;

    const LookupPalette* lookup_;
    std::array<std::int16_t, 4096> cells_; // -1: not searched yet
};

} // namespace quillmere
