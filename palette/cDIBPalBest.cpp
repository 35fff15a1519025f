// The best-quality palette: every pixel counted, a variance-minimising median
// cut for the start, k-means iterations for the finish.
#include "palette/cDIBPal.h"

#include "imaging/Errors.h"

#include "palette/ColourHistogram.h"
#include "palette/KMeans.h"
#include "palette/MedianCut.h"

#include <string>

namespace quillmere {

namespace {
// Lloyd's iterations from a median-cut start gain little after the first:
// on photos two keep most of what eight give, at a quarter of the cost.
constexpr std::int32_t kIterations = 2;
// Above this many distinct colours the palette is made from cells of them.
constexpr std::size_t kManyColours = 8192;

std::vector<ColourCell> AsCells(const std::vector<WeightedColour>& colours)
{
    std::vector<ColourCell> cells;
    cells.reserve(colours.size());
    for (const WeightedColour& c : colours) {
        const std::uint64_t w = c.count;
        cells.push_back({c.colour, w, w * static_cast<std::uint64_t>(c.colour.r),
                         w * static_cast<std::uint64_t>(c.colour.g), w * static_cast<std::uint64_t>(c.colour.b)});
    }
    return cells;
}
} // namespace

void cDIBPal::CreateBest(const cDIB& DIB, std::int32_t Count)
{
    if (Count < 1 || Count > 256)
        throw Error("A palette holds 1 to 256 entries, not " + std::to_string(Count));
    const std::int32_t entries = Count;
    const std::vector<WeightedColour> colours = ColourHistogram(DIB);
    std::vector<Colour> best;
    if (colours.size() <= static_cast<std::size_t>(entries)) {
        for (const WeightedColour& c : colours)
            best.push_back(c.colour);
    } else {
        // Median cut and k-means work on cells of nearby colours, not on
        // every distinct colour, when there are many: a photo has several
        // times fewer cells, and a cell's colours lie within 2 levels a
        // component of its mean. A picture of a few thousand colours keeps
        // each, so none is merged that could have had its own entry.
        const std::vector<ColourCell> cells =
            colours.size() > kManyColours ? GroupByCell(colours) : AsCells(colours);
        std::vector<WeightedColour> means;
        means.reserve(cells.size());
        for (const ColourCell& cell : cells)
            means.push_back({cell.mean, static_cast<std::uint32_t>(cell.count)});
        best = MedianCut(std::move(means), entries);
        RefineByKMeans(cells, best, kIterations);
    }

    ResetEntries(entries);
    for (std::size_t i = 0; i < best.size(); ++i)
        SetEntry(static_cast<std::int32_t>(i), static_cast<std::uint8_t>(best[i].r),
                 static_cast<std::uint8_t>(best[i].g), static_cast<std::uint8_t>(best[i].b));
    BuildLookupPalette();
}

} // namespace quillmere
