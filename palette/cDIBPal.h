// cDIBPal: an ordered list of up to 256 colour entries (4 bytes each: blue,
// green, red, reserved, the colour table layout of a bitmap file) with a
// lookup palette built from them for nearest-colour search.
#pragma once

#include "palette/LookupPalette.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace quillmere {

class cDIB;

class cDIBPal {
public:
    cDIBPal() = default;
    ~cDIBPal() { Clear(); }
    cDIBPal(const cDIBPal&) = delete;
    cDIBPal& operator=(const cDIBPal&) = delete;

    // Makes nEntries all-zero entries (the old ones are discarded), sets Count
    // and returns the address of entry 0 for a raw fill of nEntries * 4 bytes.
    // The lookup palette is left as it was. Throws Error, changing nothing, when
    // nEntries is not 1 to 256.
    std::uint8_t* InitializePalette(std::int16_t nEntries);

    // Address of entry 0; valid until the entries are next replaced
    // (InitializePalette, Clear, any Create...). Throws SubscriptError when the
    // palette is empty.
    std::uint8_t* PalettePtr() const;

    // The lookup palette, nullptr when none exists. Only the Create... members
    // build it; InitializePalette and writes through PalettePtr leave it alone.
    const LookupPalette* hPal() const noexcept { return lookup_.get(); }

    std::int32_t Count() const noexcept { return count_; }

    // Red, green and blue of entry PalEntry. Throw SubscriptError when
    // PalEntry >= Count.
    std::uint8_t rgbR(std::uint8_t PalEntry) const;
    std::uint8_t rgbG(std::uint8_t PalEntry) const;
    std::uint8_t rgbB(std::uint8_t PalEntry) const;

    // Removes every entry (Count 0) and the lookup palette (hPal nullptr).
    void Clear() noexcept;

    // Nearest entry to (R, G, B) as the lookup palette answers: its number and
    // colour. Throws OverflowError, setting nothing, when there is no lookup
    // palette (the search has no entry number to give), SubscriptError when a
    // lookup older than the entries answers with an entry that no longer exists.
    void ClosestColor(std::uint8_t R, std::uint8_t G, std::uint8_t B, std::uint8_t& cR,
                      std::uint8_t& cG, std::uint8_t& cb, std::uint8_t& PalEntry) const;

    // True when there is at least one entry and every entry has red = green = blue.
    bool IsGreyScale() const noexcept;

    // Fixed palettes; each replaces the entries and rebuilds the lookup palette.
    void CreateBlackAndWhite();  // 2: black, white
    void CreateEGA();            // 16: eight dark colours, then eight bright
    void CreateHalftone();       // 256: 5 x 5 x 5 cube in 0-124, rest black
    void CreateWebsafe();        // 256: dark, 6 x 6 x 6 cube, greys, bright
    void CreateGreys_016();      // 16: entry i = 17 i grey
    void CreateGreys_256();      // 256: entry i = i grey

    // The pixels of DIB shrunk to 4 x 4 (16 x 16) by single-pixel sampling become
    // the 16 (256) entries, row by row, reserved byte included.
    void CreateFastOptimal_016(const cDIB& DIB);
    void CreateFastOptimal_256(const cDIB& DIB);

    // Colour-tree palette of PalSize entries (callers pass 8 to 256) from DIB's
    // pixels, leaves at depth nLevels (1 to 8); the weights scale a component
    // only where the tree decides which half of a range it falls in. Entries come
    // in node order, each the rounded mean of its leaf; unused entries stay
    // black. Throws SubscriptError for PalSize outside 1..256, nLevels outside
    // 1..8 or when more leaves remain than PalSize allows (below 8 the root's
    // children may be more), OverflowError when a leaf's sums overflow 32 bits;
    // on any error the entries and the lookup palette stay as they were.
    void CreateOptimal(const cDIB& DIB, std::int32_t PalSize, std::int32_t nLevels, float RWeight,
                       float GWeight, float BWeight);

    // The best 256 colours for DIB, in squared RGB error over every pixel: a
    // variance-minimising median cut of its distinct colours (of cells of 4
    // levels a side when there are more than 8192), refined by two k-means
    // iterations. A picture of 256 colours or fewer gets exactly its own
    // colours. Entries no colour needs (and all of them for a surface
    // without pixels) are black. Rebuilds the lookup palette. With Count
    // (1 to 256) the same for a palette of that many entries.
    void CreateBest(const cDIB& DIB, std::int32_t Count = 256);

    // Entry i becomes colours[i] (0x00RRGGBB), 1 to 256 of them; rebuilds the
    // lookup palette. Throws Error, changing nothing, for another number.
    void CreateFromColours(const std::vector<std::uint32_t>& colours);

private:
    // Replaces the entries by n zero entries and sets Count.
    void ResetEntries(std::int32_t n);
    void SetEntry(std::int32_t i, std::uint8_t R, std::uint8_t G, std::uint8_t B);
    void BuildLookupPalette();
    void SetDarkColors(std::int32_t first);
    void SetBrightColors(std::int32_t first);
    void CreateFastOptimal(const cDIB& DIB, std::int32_t side);
    void CheckEntry(std::uint8_t PalEntry) const;

    std::int32_t count_ = 0;
    std::unique_ptr<LookupPalette> lookup_;
    std::vector<std::uint8_t> entries_; // count_ * 4 bytes
};

} // namespace quillmere
