// Nearest-colour search in a palette of up to 256 entries, exact in squared
// RGB distance, by Heckbert's locally sorted search (1982): colour space is
// cut into cells, and a cell keeps only the entries that can be nearest to
// some colour inside it, those no farther from the cell than the farthest
// point of the cell is from the entry that is nearest at worst. Cells of 16
// levels a side keep few candidates; each takes them from its enclosing cell
// of 64 levels, whose candidates include them, so filling one is cheap. Cells
// are filled on first use, so a picture pays only for the cells it reaches.
#pragma once

#include "palette/ColourHistogram.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillmere {

class NearestEntry {
public:
    // entries: 1 to 256 colours with components 0..255.
    explicit NearestEntry(const std::vector<Colour>& entries);

    // The entry nearest to q (components 0..255); of equally near entries the
    // lowest number.
    std::int32_t Find(const Colour& q);

    // The same answer, found at once when guess (an entry number) is nearer
    // to q than half its distance to every other entry, which proves it the
    // only nearest (the triangle inequality; Elkan 2003). A neighbouring
    // pixel's entry often is.
    std::int32_t Find(const Colour& q, std::int32_t guess)
    {
        const std::size_t g = static_cast<std::size_t>(guess);
        return 4 * Distance2(q, entries_[g]) < separation_[g] ? guess : Find(q);
    }

    const Colour& Entry(std::int32_t i) const noexcept { return entries_[static_cast<std::size_t>(i)]; }
    std::int32_t Count() const noexcept { return static_cast<std::int32_t>(entries_.size()); }

private:
    struct Candidates {
        std::uint32_t first = 0, count = 0; // in the pools; count 0: not filled yet
    };
    // The cell of side 2^shift holding (r, g, b), filled if need be.
    const Candidates& Cell(std::int32_t shift, std::int32_t r, std::int32_t g, std::int32_t b);
    // Fills c, the cell of side 2^shift from (r0, g0, b0), choosing among from.
    void Fill(Candidates& c, std::int32_t shift, std::int32_t r0, std::int32_t g0, std::int32_t b0,
              const std::int32_t* from, std::size_t n);

    std::vector<Colour> entries_;
    std::vector<std::int32_t> separation_; // squared distance to the nearest other entry
    std::vector<Candidates> coarse_, fine_; // cells of 64 and of 16 levels a side
    // The candidates of every cell filled so far, a cell's in ascending entry
    // order: their components side by side, so the search runs as one
    // vectorisable loop.
    std::vector<std::int32_t> red_, green_, blue_, number_;
};

} // namespace quillmere
