// Refines a palette by Lloyd's k-means iterations (Lloyd 1957/1982): each
// cell of colours goes to the entry nearest its mean (the Voronoi cell of the
// entry), each entry moves to the pixel-weighted mean of the colours it got,
// until nothing changes or the iterations run out. Each step lowers the
// summed squared error of the mapping, which is what a PSNR measures.
#pragma once

#include "palette/ColourHistogram.h"

#include <cstdint>
#include <vector>

namespace quillmere {

// entries: 1 to 256 colours, replaced by the refined ones (rounded means; an
// entry that gets no colours stays). Integer arithmetic throughout.
void RefineByKMeans(const std::vector<ColourCell>& cells, std::vector<Colour>& entries, std::int32_t maxIterations);

} // namespace quillmere
