// The distinct colours of a surface and how often each occurs: the input of
// the best-quality palette, which weighs every pixel.
#pragma once

#include <cstdint>
#include <vector>

namespace quillmere {

class cDIB;

struct Colour {
    std::int32_t r = 0, g = 0, b = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// Squared Euclidean distance in RGB: the measure a PSNR counts.
inline std::int32_t Distance2(const Colour& a, const Colour& b) noexcept
{
    const std::int32_t dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

struct WeightedColour {
    Colour colour;
    std::uint32_t count = 0; // pixels of this colour
};

// Colours grouped by cells of 4 x 4 x 4 levels: the cell's pixel-weighted
// mean, rounded, with the exact sums it comes from.
struct ColourCell {
    Colour mean;
    std::uint64_t count = 0, sumR = 0, sumG = 0, sumB = 0;
};

// Every distinct (red, green, blue) of DIB with its pixel count, in ascending
// order of 0xRRGGBB; the reserved byte is ignored. Empty for a surface
// without pixels.
std::vector<WeightedColour> ColourHistogram(const cDIB& DIB);

// The occupied cells of a histogram, in the order their first colour comes.
// A photo's hundred thousand colours make a few tens of thousands of cells,
// each within 2 levels a component of all its colours.
std::vector<ColourCell> GroupByCell(const std::vector<WeightedColour>& colours);

} // namespace quillmere
