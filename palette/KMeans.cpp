#include "palette/KMeans.h"

#include "palette/NearestEntry.h"

namespace quillmere {

void RefineByKMeans(const std::vector<ColourCell>& cells, std::vector<Colour>& entries, std::int32_t maxIterations)
{
    if (cells.empty() || entries.empty() || maxIterations < 1)
        return;
    const std::size_t n = cells.size();
    std::vector<std::int32_t> owner(n);
    {
        NearestEntry search(entries);
        for (std::size_t i = 0; i < n; ++i)
            owner[i] = search.Find(cells[i].mean);
    }

    struct Sums {
        std::uint64_t w = 0, r = 0, g = 0, b = 0;
    };
    for (std::int32_t iteration = 0; iteration < maxIterations; ++iteration) {
        std::vector<Sums> sums(entries.size());
        for (std::size_t i = 0; i < n; ++i) {
            Sums& s = sums[static_cast<std::size_t>(owner[i])];
            s.w += cells[i].count;
            s.r += cells[i].sumR;
            s.g += cells[i].sumG;
            s.b += cells[i].sumB;
        }
        bool moved = false;
        for (std::size_t e = 0; e < entries.size(); ++e) {
            const Sums& s = sums[e];
            if (s.w == 0)
                continue;
            const auto mean = [&s](std::uint64_t v) { return static_cast<std::int32_t>((v + s.w / 2) / s.w); };
            const Colour c{mean(s.r), mean(s.g), mean(s.b)};
            moved = moved || !(c == entries[e]);
            entries[e] = c;
        }
        if (!moved || iteration + 1 == maxIterations)
            break;

        NearestEntry search(entries);
        bool changed = false;
        for (std::size_t i = 0; i < n; ++i) {
            const std::int32_t now = search.Find(cells[i].mean, owner[i]);
            changed = changed || now != owner[i];
            owner[i] = now;
        }
        if (!changed)
            break;
    }
}

} // namespace quillmere
