// The palettes computed from a picture: the colour tree and the fast shrunk copies.
#include "palette/cDIBPal.h"

#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "palette/ColorTree.h"

#include <cstring>
#include <string>

namespace quillmere {

void cDIBPal::CreateOptimal(const cDIB& DIB, std::int32_t PalSize, std::int32_t nLevels, float RWeight,
                            float GWeight, float BWeight)
{
    if (PalSize < 1 || PalSize > 256)
        throw SubscriptError("A palette holds 1 to 256 entries, not " + std::to_string(PalSize));
    ColorTree tree(nLevels, RWeight, GWeight, BWeight);

    if (const std::uint8_t* bits = DIB.DIBitsPtr()) {
        const std::size_t pixels = static_cast<std::size_t>(DIB.Width()) * static_cast<std::size_t>(DIB.Height());
        for (std::size_t i = 0; i < pixels; ++i) {
            const std::uint8_t* p = bits + i * 4;
            tree.AddPixel(p[2], p[1], p[0], PalSize);
        }
    }

    // Only a finished palette replaces the old one, so a failure leaves the
    // entries and the lookup palette as they were.
    if (tree.LeafCount() > PalSize)
        throw SubscriptError("The picture needs " + std::to_string(tree.LeafCount())
                             + " palette entries but only " + std::to_string(PalSize) + " were asked for");
    std::vector<std::uint8_t> fresh(static_cast<std::size_t>(PalSize) * 4, 0);
    std::size_t next = 0;
    tree.ForEachLeafMean([&](std::uint8_t R, std::uint8_t G, std::uint8_t B) {
        fresh[next * 4] = B;
        fresh[next * 4 + 1] = G;
        fresh[next * 4 + 2] = R;
        ++next;
    });
    entries_.swap(fresh);
    count_ = PalSize;
    BuildLookupPalette();
}

void cDIBPal::CreateFastOptimal(const cDIB& DIB, std::int32_t side)
{
    cDIB small;
    if (!small.Create(side, side, 0))
        throw Error("No memory for a " + std::to_string(side) + " x " + std::to_string(side) + " picture");
    small.LoadDIBBlt(DIB);
    ResetEntries(side * side);
    // The pixels as they lie in memory, reserved byte included.
    std::memcpy(entries_.data(), small.DIBitsPtr(), entries_.size());
    BuildLookupPalette();
}

void cDIBPal::CreateFastOptimal_016(const cDIB& DIB)
{
    CreateFastOptimal(DIB, 4);
}

void cDIBPal::CreateFastOptimal_256(const cDIB& DIB)
{
    CreateFastOptimal(DIB, 16);
}

} // namespace quillmere
