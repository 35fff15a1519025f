#include "palette/ColourHistogram.h"

#include "imaging/cDIB.h"

#include <array>
#include <cstring>

namespace quillmere {

std::vector<WeightedColour> ColourHistogram(const cDIB& DIB)
{
    std::vector<WeightedColour> colours;
    const std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return colours;
    const std::size_t n = static_cast<std::size_t>(DIB.Width()) * static_cast<std::size_t>(DIB.Height());

    // A least-significant-digit radix sort of the 24-bit colours, two passes of
    // 12 bits: linear in the pixels, where a comparison sort of a logo's
    // 128000 pixels costs several times as much.
    std::vector<std::uint32_t> keys(n), sorted(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t word;
        std::memcpy(&word, bits + i * 4, 4);
        keys[i] = word & 0x00FFFFFFu;
    }
    std::vector<std::uint32_t> buckets(4096);
    for (int shift = 0; shift < 24; shift += 12) {
        std::fill(buckets.begin(), buckets.end(), 0u);
        for (const std::uint32_t k : keys)
            ++buckets[(k >> shift) & 0xFFFu];
        std::uint32_t start = 0;
        for (std::uint32_t& b : buckets) {
            const std::uint32_t c = b;
            b = start;
            start += c;
        }
        for (const std::uint32_t k : keys)
            sorted[buckets[(k >> shift) & 0xFFFu]++] = k;
        keys.swap(sorted);
    }

    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        while (j < n && keys[j] == keys[i])
            ++j;
        const std::uint32_t k = keys[i];
        colours.push_back({{static_cast<std::int32_t>(k >> 16), static_cast<std::int32_t>((k >> 8) & 0xFF),
                            static_cast<std::int32_t>(k & 0xFF)},
                           static_cast<std::uint32_t>(j - i)});
        i = j;
    }
    return colours;
}

std::vector<ColourCell> GroupByCell(const std::vector<WeightedColour>& colours)
{
    constexpr std::int32_t kShift = 2;
    constexpr std::int32_t side = 256 >> kShift;
    std::vector<std::int32_t> cellOf(static_cast<std::size_t>(side * side * side), -1);
    std::vector<ColourCell> cells;
    for (const WeightedColour& c : colours) {
        const std::size_t at = static_cast<std::size_t>(
            ((c.colour.r >> kShift) * side + (c.colour.g >> kShift)) * side + (c.colour.b >> kShift));
        if (cellOf[at] < 0) {
            cellOf[at] = static_cast<std::int32_t>(cells.size());
            cells.emplace_back();
        }
        ColourCell& cell = cells[static_cast<std::size_t>(cellOf[at])];
        const std::uint64_t w = c.count;
        cell.count += w;
        cell.sumR += w * static_cast<std::uint64_t>(c.colour.r);
        cell.sumG += w * static_cast<std::uint64_t>(c.colour.g);
        cell.sumB += w * static_cast<std::uint64_t>(c.colour.b);
    }
    for (ColourCell& cell : cells) {
        const auto mean = [&cell](std::uint64_t s) { return static_cast<std::int32_t>((s + cell.count / 2) / cell.count); };
        cell.mean = {mean(cell.sumR), mean(cell.sumG), mean(cell.sumB)};
    }
    return cells;
}

} // namespace quillmere
