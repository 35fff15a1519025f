// The starting palette of the best-quality reduction: Heckbert's median cut
// (1982) in its variance-minimising form (Wan, Prusinkiewicz and Wong, 1990):
// the box whose colours have the largest summed squared error is cut across
// the axis of largest variance, at the place that leaves the least squared
// error in the two halves.
#pragma once

#include "palette/ColourHistogram.h"

#include <cstdint>
#include <vector>

namespace quillmere {

// At most maxColours (1 to 256) colours, each the rounded weighted mean of a
// box; fewer when the histogram has fewer distinct colours, which then come
// back exactly. Empty for an empty histogram.
std::vector<Colour> MedianCut(std::vector<WeightedColour> colours, std::int32_t maxColours);

} // namespace quillmere
