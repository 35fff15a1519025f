// The colour tree behind cDIBPal::CreateOptimal, in the manner of octree
// quantisation: each pixel descends an 8-way tree that halves the red, green
// and blue ranges at every level; when there are more leaves than entries, the
// most recently listed inner node of the deepest level is merged into a leaf.
// Node numbering, the free list and the merge order are fixed, so the same
// picture always gives the same palette, entry for entry.
#pragma once

#include <cstdint>
#include <vector>

namespace quillmere {

class ColorTree {
public:
    // nLevels: 1 to 8, the level at which new nodes are leaves. Throws
    // SubscriptError for another depth.
    ColorTree(std::int32_t nLevels, float RWeight, float GWeight, float BWeight);

    // Adds one pixel, then merges until there are no more than maxLeaves leaves
    // (or nothing is left to merge). Throws OverflowError when a leaf's sums
    // overflow 32 bits.
    void AddPixel(std::uint8_t R, std::uint8_t G, std::uint8_t B, std::int32_t maxLeaves);

    std::int32_t LeafCount() const noexcept { return leafCount_; }

    // Calls f(red, green, blue) with the rounded mean colour of every leaf, in
    // node-number order.
    template <typename F> void ForEachLeafMean(F&& f) const
    {
        for (std::size_t n = 1; n < nodes_.size(); ++n)
            if (nodes_[n].leaf)
                f(Mean(nodes_[n].redSum, nodes_[n].pixelCount), Mean(nodes_[n].greenSum, nodes_[n].pixelCount),
                  Mean(nodes_[n].blueSum, nodes_[n].pixelCount));
    }

private:
    struct ColorNode {
        bool leaf = false;
        bool listed = false;
        std::int32_t redSum = 0;
        std::int32_t greenSum = 0;
        std::int32_t blueSum = 0;
        std::int32_t pixelCount = 0;
        std::int32_t children[8] = {};
        std::int32_t next = 0;
    };

    struct Range {
        std::int32_t min;
        std::int32_t max;
    };

    static std::uint8_t Mean(std::int32_t sum, std::int32_t count);

    void AddColor(std::int32_t node, std::int32_t level, Range r, Range g, Range b, std::uint8_t R,
                  std::uint8_t G, std::uint8_t B);
    bool ReduceTree();
    std::int32_t AllocNode();
    void FreeNode(std::int32_t n);
    std::int32_t& ReducibleList(std::int32_t level);

    // Index 0 is unused: nodes are numbered from 1, the root is node 1.
    std::vector<ColorNode> nodes_;
    std::int32_t nodeCount_ = 1;
    std::int32_t depth_;
    std::int32_t freeHead_ = 0;
    std::int32_t leafCount_ = 0;
    std::int32_t reducible_[8] = {}; // heads of the lists of levels 1 to 8
    float weight_[3];                // red, green, blue
};

} // namespace quillmere
