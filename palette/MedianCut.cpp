#include "palette/MedianCut.h"

#include <algorithm>
#include <array>

namespace quillmere {

namespace {

// Pixel-weighted sums of a set of colours; 64 bits hold those of any picture
// a logo is made from (counts up to 2^32, squares up to 255^2).
struct Sums {
    std::uint64_t w = 0;
    std::array<std::uint64_t, 3> c{}, sq{}; // by component: sum of values, of squares

    void Add(const WeightedColour& wc)
    {
        const std::uint64_t n = wc.count;
        const std::array<std::uint64_t, 3> v{static_cast<std::uint64_t>(wc.colour.r),
                                             static_cast<std::uint64_t>(wc.colour.g),
                                             static_cast<std::uint64_t>(wc.colour.b)};
        w += n;
        for (std::size_t k = 0; k < 3; ++k) {
            c[k] += n * v[k];
            sq[k] += n * v[k] * v[k];
        }
    }
    void Add(const Sums& s)
    {
        w += s.w;
        for (std::size_t k = 0; k < 3; ++k) {
            c[k] += s.c[k];
            sq[k] += s.sq[k];
        }
    }
    Sums Minus(const Sums& s) const
    {
        Sums d;
        d.w = w - s.w;
        for (std::size_t k = 0; k < 3; ++k) {
            d.c[k] = c[k] - s.c[k];
            d.sq[k] = sq[k] - s.sq[k];
        }
        return d;
    }

    // Sum of squared distances to the mean along one component.
    double Spread(std::size_t k) const
    {
        const double s = static_cast<double>(c[k]);
        return static_cast<double>(sq[k]) - s * s / static_cast<double>(w);
    }
    // Summed squared distance of the colours to their mean.
    double SquaredError() const { return w == 0 ? 0.0 : Spread(0) + Spread(1) + Spread(2); }

    Colour Mean() const
    {
        const auto round = [this](std::uint64_t s) { return static_cast<std::int32_t>((s + w / 2) / w); };
        return {round(c[0]), round(c[1]), round(c[2])};
    }
};

struct Box {
    std::size_t begin, end; // a range of the histogram
    Sums sums;
    double error;
};

Box MakeBox(std::size_t begin, std::size_t end, const Sums& sums)
{
    return {begin, end, sums, sums.SquaredError()};
}

std::int32_t Component(const Colour& c, std::size_t axis) noexcept
{
    return axis == 0 ? c.r : axis == 1 ? c.g : c.b;
}

// Cuts box in two, moving its colours so that each half is a range. The
// halves depend only on the set of colours in the box, not on their order.
std::pair<Box, Box> Cut(std::vector<WeightedColour>& colours, const Box& box)
{
    // Each axis's lowest and highest level: an axis whose colours share one
    // level cannot be cut, whatever rounding makes of its spread.
    std::array<std::int32_t, 3> lowest{255, 255, 255}, highest{0, 0, 0};
    for (std::size_t i = box.begin; i < box.end; ++i)
        for (std::size_t k = 0; k < 3; ++k) {
            lowest[k] = std::min(lowest[k], Component(colours[i].colour, k));
            highest[k] = std::max(highest[k], Component(colours[i].colour, k));
        }
    // The axis of largest variance.
    std::size_t axis = 3;
    for (std::size_t k = 0; k < 3; ++k)
        if (highest[k] > lowest[k] && (axis == 3 || box.sums.Spread(k) > box.sums.Spread(axis)))
            axis = k;

    struct Level {
        std::uint64_t w = 0;
        std::array<std::uint64_t, 3> c{};
    };
    std::array<Level, 256> level{};
    for (std::size_t i = box.begin; i < box.end; ++i) {
        const WeightedColour& wc = colours[i];
        Level& l = level[static_cast<std::size_t>(Component(wc.colour, axis))];
        l.w += wc.count;
        l.c[0] += std::uint64_t{wc.count} * static_cast<std::uint64_t>(wc.colour.r);
        l.c[1] += std::uint64_t{wc.count} * static_cast<std::uint64_t>(wc.colour.g);
        l.c[2] += std::uint64_t{wc.count} * static_cast<std::uint64_t>(wc.colour.b);
    }

    // The cut "component <= at" with the least error left in the two halves.
    // A half's error is its sum of squares less |sum|^2 / weight; the squares
    // add up to the box's whatever the cut, so the best cut has the largest
    // sum of |sum|^2 / weight over the two halves.
    const auto gain = [](std::uint64_t w, const std::array<double, 3>& c) {
        return (c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) / static_cast<double>(w);
    };
    std::int32_t at = -1;
    double most = 0;
    Level below;
    for (std::int32_t v = lowest[axis]; v < highest[axis]; ++v) {
        const Level& l = level[static_cast<std::size_t>(v)];
        if (l.w == 0)
            continue; // the same cut as at the last occupied level
        below.w += l.w;
        std::array<double, 3> low{}, high{};
        for (std::size_t k = 0; k < 3; ++k) {
            below.c[k] += l.c[k];
            low[k] = static_cast<double>(below.c[k]);
            high[k] = static_cast<double>(box.sums.c[k] - below.c[k]);
        }
        const double g = gain(below.w, low) + gain(box.sums.w - below.w, high);
        if (at < 0 || g > most) {
            at = v;
            most = g;
        }
    }
    const auto middle = std::partition(colours.begin() + static_cast<std::ptrdiff_t>(box.begin),
                                       colours.begin() + static_cast<std::ptrdiff_t>(box.end),
                                       [&](const WeightedColour& c) { return Component(c.colour, axis) <= at; });
    const std::size_t split = static_cast<std::size_t>(middle - colours.begin());
    Sums lowHalf;
    for (std::size_t i = box.begin; i < split; ++i)
        lowHalf.Add(colours[i]);
    return {MakeBox(box.begin, split, lowHalf), MakeBox(split, box.end, box.sums.Minus(lowHalf))};
}

} // namespace

std::vector<Colour> MedianCut(std::vector<WeightedColour> colours, std::int32_t maxColours)
{
    std::vector<Colour> palette;
    if (colours.empty())
        return palette;
    Sums all;
    for (const WeightedColour& c : colours)
        all.Add(c);
    std::vector<Box> boxes{MakeBox(0, colours.size(), all)};
    while (static_cast<std::int32_t>(boxes.size()) < maxColours) {
        // A box of two or more colours has an error above 0 and spreads along
        // some axis, so it can be cut; ties go to the older box.
        std::size_t worst = boxes.size();
        for (std::size_t i = 0; i < boxes.size(); ++i)
            if (boxes[i].end - boxes[i].begin > 1 && (worst == boxes.size() || boxes[i].error > boxes[worst].error))
                worst = i;
        if (worst == boxes.size())
            break;
        auto [low, high] = Cut(colours, boxes[worst]);
        boxes[worst] = low;
        boxes.push_back(high);
    }
    palette.reserve(boxes.size());
    for (const Box& box : boxes)
        palette.push_back(box.sums.Mean());
    return palette;
}

} // namespace quillmere
