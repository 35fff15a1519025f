#include "palette/ColorTree.h"

#include "imaging/Errors.h"
#include "imaging/Numeric.h"

#include <string>

namespace quillmere {

namespace {

constexpr std::int32_t kInitialNodes = 50;

// Which half of [range.min, range.max] the weighted component falls in; the
// range is narrowed to that half. The midpoint itself belongs to the lower half.
std::int32_t Split(std::uint8_t component, float weight, std::int32_t& min, std::int32_t& max)
{
    // min / 2 + max / 2 rounded, halves to even, in whole numbers: the bounds
    // are small and never negative, so the sum is exact either way, and this
    // runs for every level of every pixel.
    const std::int32_t sum = min + max;
    const std::int32_t mid = (sum >> 1) + (sum & (sum >> 1) & 1);
    const float weighted = static_cast<float>(component) * weight;
    if (static_cast<double>(weighted) <= static_cast<double>(mid)) {
        max = mid;
        return 0;
    }
    min = mid;
    return 1;
}

} // namespace

ColorTree::ColorTree(std::int32_t nLevels, float RWeight, float GWeight, float BWeight)
    : nodes_(kInitialNodes + 1), depth_(nLevels), weight_{RWeight, GWeight, BWeight}
{
    if (nLevels < 1 || nLevels > 8)
        throw SubscriptError("A colour tree has 1 to 8 levels, not " + std::to_string(nLevels));
}

void ColorTree::AddPixel(std::uint8_t R, std::uint8_t G, std::uint8_t B, std::int32_t maxLeaves)
{
    AddColor(1, 1, {0, 255}, {0, 255}, {0, 255}, R, G, B);
    while (leafCount_ > maxLeaves)
        if (!ReduceTree())
            break;
}

std::uint8_t ColorTree::Mean(std::int32_t sum, std::int32_t count)
{
    return roundToByte(static_cast<double>(sum) / static_cast<double>(count));
}

std::int32_t& ColorTree::ReducibleList(std::int32_t level)
{
    if (level < 1 || level > 8)
        throw SubscriptError("No reducible list for tree level " + std::to_string(level));
    return reducible_[level - 1];
}

void ColorTree::AddColor(std::int32_t node, std::int32_t level, Range r, Range g, Range b, std::uint8_t R,
                         std::uint8_t G, std::uint8_t B)
{
    // Iterative form of the descent: each step goes one level down.
    for (;;) {
        const std::int32_t slot = Split(R, weight_[0], r.min, r.max) + 2 * Split(G, weight_[1], g.min, g.max)
                                  + 4 * Split(B, weight_[2], b.min, b.max);
        if (nodes_[node].children[slot] == 0) {
            const std::int32_t c = AllocNode();
            nodes_[node].children[slot] = c;
            ColorNode& fresh = nodes_[c];
            fresh.next = 0;
            fresh.redSum = fresh.greenSum = fresh.blueSum = fresh.pixelCount = 0;
            fresh.leaf = (level == depth_);
        }
        const std::int32_t c = nodes_[node].children[slot];
        ColorNode& child = nodes_[c];
        if (child.leaf) {
            if (child.pixelCount == 0)
                ++leafCount_;
            child.pixelCount = checkedAdd(child.pixelCount, 1, "colour tree pixel count");
            child.redSum = checkedAdd(child.redSum, R, "colour tree red sum");
            child.greenSum = checkedAdd(child.greenSum, G, "colour tree green sum");
            child.blueSum = checkedAdd(child.blueSum, B, "colour tree blue sum");
            return;
        }
        if (!child.listed) {
            std::int32_t& head = ReducibleList(level);
            child.next = head;
            head = c;
            child.listed = true;
        }
        node = c;
        ++level;
    }
}

bool ColorTree::ReduceTree()
{
    std::int32_t level = depth_;
    while (level >= 1 && ReducibleList(level) == 0)
        --level;
    if (level < 1)
        return false;

    std::int32_t& head = ReducibleList(level);
    const std::int32_t n = head;
    head = nodes_[n].next;

    std::int32_t red = 0, green = 0, blue = 0, count = 0;
    for (std::int32_t slot = 0; slot < 8; ++slot) {
        const std::int32_t c = nodes_[n].children[slot];
        if (c == 0)
            continue;
        red = checkedAdd(red, nodes_[c].redSum, "colour tree red sum");
        green = checkedAdd(green, nodes_[c].greenSum, "colour tree green sum");
        blue = checkedAdd(blue, nodes_[c].blueSum, "colour tree blue sum");
        count = checkedAdd(count, nodes_[c].pixelCount, "colour tree pixel count");
        FreeNode(c);
        --leafCount_;
        nodes_[n].children[slot] = 0;
    }
    ++leafCount_;
    ColorNode& merged = nodes_[n];
    merged.redSum = red;
    merged.greenSum = green;
    merged.blueSum = blue;
    merged.pixelCount = count;
    merged.leaf = true; // stays marked listed: a leaf is never listed again
    return true;
}

std::int32_t ColorTree::AllocNode()
{
    ++nodeCount_;
    if (freeHead_ == 0) {
        const auto last = static_cast<std::int32_t>(nodes_.size()) - 1;
        if (nodeCount_ > last)
            nodes_.resize(static_cast<std::size_t>(roundToInt(static_cast<double>(nodeCount_) * 1.1)) + 1);
        return nodeCount_;
    }
    const std::int32_t n = freeHead_;
    freeHead_ = nodes_[n].next;
    for (std::int32_t& child : nodes_[n].children)
        child = 0;
    return n;
}

void ColorTree::FreeNode(std::int32_t n)
{
    // The last freed node is reused first.
    nodes_[n].next = freeHead_;
    freeHead_ = n;
    nodes_[n].leaf = false;
    nodes_[n].listed = false;
    --nodeCount_;
}

} // namespace quillmere
