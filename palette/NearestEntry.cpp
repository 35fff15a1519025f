#include "palette/NearestEntry.h"

#include <algorithm>
#include <limits>

namespace quillmere {

namespace {
constexpr std::int32_t kCoarse = 5; // cells of 32 levels a side
constexpr std::int32_t kFine = 4;   // cells of 16 levels a side

constexpr std::size_t CellCount(std::int32_t shift)
{
    const std::size_t perAxis = static_cast<std::size_t>(256 >> shift);
    return perAxis * perAxis * perAxis;
}
} // namespace

NearestEntry::NearestEntry(const std::vector<Colour>& entries)
    : entries_(entries), separation_(entries.size(), std::numeric_limits<std::int32_t>::max()),
      coarse_(CellCount(kCoarse)), fine_(CellCount(kFine))
{
    // An entry with a twin has separation 0: a guess never settles it alone.
    for (std::size_t i = 0; i < entries_.size(); ++i)
        for (std::size_t j = i + 1; j < entries_.size(); ++j) {
            const std::int32_t d = Distance2(entries_[i], entries_[j]);
            separation_[i] = std::min(separation_[i], d);
            separation_[j] = std::min(separation_[j], d);
        }
}

const NearestEntry::Candidates& NearestEntry::Cell(std::int32_t shift, std::int32_t r, std::int32_t g,
                                                   std::int32_t b)
{
    const std::int32_t perAxis = 256 >> shift;
    const std::int32_t cr = r >> shift, cg = g >> shift, cb = b >> shift;
    std::vector<Candidates>& cells = shift == kCoarse ? coarse_ : fine_;
    Candidates& c = cells[static_cast<std::size_t>((cr * perAxis + cg) * perAxis + cb)];
    if (c.count > 0)
        return c;
    std::array<std::int32_t, 256> from;
    std::size_t n = entries_.size();
    if (shift == kCoarse) {
        for (std::size_t i = 0; i < n; ++i)
            from[i] = static_cast<std::int32_t>(i);
    } else {
        const Candidates& outer = Cell(kCoarse, r, g, b);
        n = outer.count;
        std::copy_n(number_.begin() + outer.first, n, from.begin());
    }
    Fill(c, shift, cr << shift, cg << shift, cb << shift, from.data(), n);
    return c;
}

void NearestEntry::Fill(Candidates& c, std::int32_t shift, std::int32_t r0, std::int32_t g0, std::int32_t b0,
                        const std::int32_t* from, std::size_t n)
{
    const std::int32_t side = 1 << shift;
    const std::int32_t low[3] = {r0, g0, b0};
    // Squared distances from each entry to the nearest and the farthest point
    // of the cell, written as branch-free loops over the entries.
    std::array<std::int32_t, 256> nearest{}, farthest{};
    for (std::size_t k = 0; k < 3; ++k) {
        const std::int32_t lo = low[k], hi = low[k] + side - 1;
        for (std::size_t i = 0; i < n; ++i) {
            const Colour& e = entries_[static_cast<std::size_t>(from[i])];
            const std::int32_t v = k == 0 ? e.r : k == 1 ? e.g : e.b;
            const std::int32_t inside = std::max(std::max(lo - v, v - hi), 0);
            const std::int32_t across = std::max(v - lo, hi - v);
            nearest[i] += inside * inside;
            farthest[i] += across * across;
        }
    }
    // The entry nearest at worst lies among the enclosing cell's candidates
    // too, so choosing from those alone gives the same cell.
    std::int32_t worstOfBest = std::numeric_limits<std::int32_t>::max();
    for (std::size_t i = 0; i < n; ++i)
        worstOfBest = std::min(worstOfBest, farthest[i]);
    c.first = static_cast<std::uint32_t>(number_.size());
    for (std::size_t i = 0; i < n; ++i)
        if (nearest[i] <= worstOfBest) {
            const Colour& e = entries_[static_cast<std::size_t>(from[i])];
            red_.push_back(e.r);
            green_.push_back(e.g);
            blue_.push_back(e.b);
            number_.push_back(from[i]);
        }
    c.count = static_cast<std::uint32_t>(number_.size()) - c.first;
}

std::int32_t NearestEntry::Find(const Colour& q)
{
    const Candidates& c = Cell(kFine, q.r, q.g, q.b);
    const std::int32_t* r = red_.data() + c.first;
    const std::int32_t* g = green_.data() + c.first;
    const std::int32_t* b = blue_.data() + c.first;
    const std::int32_t* n = number_.data() + c.first;
    // Distance and entry number in one key, distance above (at most 3 * 255^2,
    // 18 bits) and number below: the least key is the nearest entry, of equally
    // near ones the lowest.
    std::int32_t least = std::numeric_limits<std::int32_t>::max();
    for (std::uint32_t i = 0; i < c.count; ++i) {
        const std::int32_t dr = q.r - r[i], dg = q.g - g[i], db = q.b - b[i];
        least = std::min(least, (dr * dr + dg * dg + db * db) << 8 | n[i]);
    }
    return least & 0xFF;
}

} // namespace quillmere
