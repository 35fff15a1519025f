// The 16 x 16 x 16 index cube of colour dithering: cell (r4, g4, b4) holds the
// palette entry nearest to (17 r4, 17 g4, 17 b4), its number and its 4 bytes.
// Cells are searched on first use, which gives the same cube as searching all
// 4096 up front while searching only the cells a picture reaches.
#pragma once

#include "palette/LookupPalette.h"

#include <array>
#include <cstdint>

namespace quillmere {

class IndexCube {
public:
    struct Cell {
        std::array<std::uint8_t, 4> entry; // blue, green, red, reserved
        std::int32_t index;                // -1: not searched yet
    };

    // lookup may be null: the first cell asked for then fails. entries: count
    // records of 4 bytes, which must outlast the cube.
    IndexCube(const LookupPalette* lookup, const std::uint8_t* entries, std::int32_t count) noexcept;

    // The grid level of a component: round(v / 17), 0..15.
    static std::int32_t Level(std::uint8_t v) noexcept { return (v + 8) / 17; }

    // The cell a colour falls in.
    std::int32_t CellOf(std::uint8_t R, std::uint8_t G, std::uint8_t B) const noexcept
    {
        return red_[R] | green_[G] | blue_[B];
    }

    // The cell, searched if need be. Throws OverflowError when there is no
    // lookup palette to answer, SubscriptError when it answers with an entry
    // the palette does not have.
    const Cell& At(std::int32_t cell)
    {
        Cell& c = cells_[static_cast<std::size_t>(cell)];
        if (c.index < 0)
            Search(c, cell);
        return c;
    }

    // Searches every cell, as a cube built up front would be.
    void FillAll();

private:
    void Search(Cell& c, std::int32_t cell) const;

    const LookupPalette* lookup_;
    const std::uint8_t* entries_;
    std::int32_t count_;
    // Grid levels already shifted to their place in a cell number.
    std::array<std::int32_t, 256> red_, green_, blue_;
    std::array<Cell, 4096> cells_;
};

} // namespace quillmere
