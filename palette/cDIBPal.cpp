#include "palette/cDIBPal.h"

#include "imaging/Errors.h"

#include <string>

namespace quillmere {

std::uint8_t* cDIBPal::InitializePalette(std::int16_t nEntries)
{
    if (nEntries < 1 || nEntries > 256)
        throw Error("A palette holds 1 to 256 entries, not " + std::to_string(nEntries));
    ResetEntries(nEntries);
    return entries_.data();
}

std::uint8_t* cDIBPal::PalettePtr() const
{
    if (count_ == 0)
        throw SubscriptError("The palette has no entries");
    return const_cast<std::uint8_t*>(entries_.data());
}

void cDIBPal::CheckEntry(std::uint8_t PalEntry) const
{
    if (PalEntry >= count_)
        throw SubscriptError("Palette entry " + std::to_string(PalEntry) + " does not exist (the palette has "
                             + std::to_string(count_) + " entries)");
}

std::uint8_t cDIBPal::rgbR(std::uint8_t PalEntry) const
{
    CheckEntry(PalEntry);
    return entries_[PalEntry * 4 + 2];
}

std::uint8_t cDIBPal::rgbG(std::uint8_t PalEntry) const
{
    CheckEntry(PalEntry);
    return entries_[PalEntry * 4 + 1];
}

std::uint8_t cDIBPal::rgbB(std::uint8_t PalEntry) const
{
    CheckEntry(PalEntry);
    return entries_[PalEntry * 4];
}

void cDIBPal::Clear() noexcept
{
    std::vector<std::uint8_t>().swap(entries_);
    count_ = 0;
    lookup_.reset();
}

void cDIBPal::ClosestColor(std::uint8_t R, std::uint8_t G, std::uint8_t B, std::uint8_t& cR,
                           std::uint8_t& cG, std::uint8_t& cb, std::uint8_t& PalEntry) const
{
    if (!lookup_)
        throw OverflowError("The palette has no lookup palette, so no nearest entry can be found");
    const std::int32_t i = lookup_->NearestIndex(R, G, B);
    // The lookup may be older than entries written since (InitializePalette);
    // an answer beyond the entries is no entry number.
    if (i < 0 || i > 255)
        throw OverflowError("The nearest-colour search gave no entry number");
    CheckEntry(static_cast<std::uint8_t>(i));
    cR = entries_[i * 4 + 2];
    cG = entries_[i * 4 + 1];
    cb = entries_[i * 4];
    PalEntry = static_cast<std::uint8_t>(i);
}

bool cDIBPal::IsGreyScale() const noexcept
{
    if (count_ <= 0)
        return false;
    for (std::int32_t i = 0; i < count_; ++i) {
        const std::uint8_t* e = &entries_[static_cast<std::size_t>(i) * 4];
        if (e[0] != e[1] || e[1] != e[2])
            return false;
    }
    return true;
}

void cDIBPal::CreateFromColours(const std::vector<std::uint32_t>& colours)
{
    if (colours.empty() || colours.size() > 256)
        throw Error("A palette holds 1 to 256 entries, not " + std::to_string(colours.size()));
    ResetEntries(static_cast<std::int32_t>(colours.size()));
    for (std::size_t i = 0; i < colours.size(); ++i)
        SetEntry(static_cast<std::int32_t>(i), static_cast<std::uint8_t>(colours[i] >> 16),
                 static_cast<std::uint8_t>(colours[i] >> 8), static_cast<std::uint8_t>(colours[i]));
    BuildLookupPalette();
}

void cDIBPal::ResetEntries(std::int32_t n)
{
    std::vector<std::uint8_t> fresh(static_cast<std::size_t>(n) * 4, 0);
    entries_.swap(fresh);
    count_ = n;
}

void cDIBPal::SetEntry(std::int32_t i, std::uint8_t R, std::uint8_t G, std::uint8_t B)
{
    std::uint8_t* e = &entries_.at(static_cast<std::size_t>(i) * 4);
    e[0] = B;
    e[1] = G;
    e[2] = R;
    e[3] = 0;
}

void cDIBPal::BuildLookupPalette()
{
    lookup_.reset();
    lookup_ = std::make_unique<LookupPalette>(entries_.data(), count_);
}

void cDIBPal::SetDarkColors(std::int32_t first)
{
    static constexpr std::uint8_t kDark[8][3] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},
                                                 {128, 128, 0}, {0, 0, 128},   {128, 0, 128},
                                                 {0, 128, 128}, {192, 192, 192}};
    for (std::int32_t i = 0; i < 8; ++i)
        SetEntry(first + i, kDark[i][0], kDark[i][1], kDark[i][2]);
}

void cDIBPal::SetBrightColors(std::int32_t first)
{
    static constexpr std::uint8_t kBright[8][3] = {{128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                                                   {255, 255, 0},   {0, 0, 255},   {255, 0, 255},
                                                   {0, 255, 255},   {255, 255, 255}};
    for (std::int32_t i = 0; i < 8; ++i)
        SetEntry(first + i, kBright[i][0], kBright[i][1], kBright[i][2]);
}

void cDIBPal::CreateBlackAndWhite()
{
    ResetEntries(2);
    SetEntry(1, 255, 255, 255);
    BuildLookupPalette();
}

void cDIBPal::CreateEGA()
{
    ResetEntries(16);
    SetDarkColors(0);
    SetBrightColors(8);
    BuildLookupPalette();
}

void cDIBPal::CreateHalftone()
{
    static constexpr std::uint8_t kLevel[5] = {0, 64, 128, 192, 255};
    ResetEntries(256);
    for (std::int32_t b = 0; b < 5; ++b)
        for (std::int32_t g = 0; g < 5; ++g)
            for (std::int32_t r = 0; r < 5; ++r)
                SetEntry(25 * b + 5 * g + r, kLevel[r], kLevel[g], kLevel[b]);
    BuildLookupPalette();
}

void cDIBPal::CreateWebsafe()
{
    ResetEntries(256);
    SetDarkColors(0);
    SetBrightColors(248);
    std::int32_t i = 8;
    for (std::int32_t b = 0; b <= 255; b += 51)
        for (std::int32_t g = 0; g <= 255; g += 51)
            for (std::int32_t r = 0; r <= 255; r += 51) {
                const auto extreme = [](std::int32_t v) { return v == 0 || v == 255; };
                // The eight corners of the cube are already in the dark and bright groups.
                if (extreme(r) && extreme(g) && extreme(b))
                    continue;
                SetEntry(i++, static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                         static_cast<std::uint8_t>(b));
            }
    // Entry 216 stays black; 217-247 are the greys 8 ... 248.
    for (std::int32_t e = 217; e <= 247; ++e) {
        const auto v = static_cast<std::uint8_t>(8 * (e - 216));
        SetEntry(e, v, v, v);
    }
    BuildLookupPalette();
}

void cDIBPal::CreateGreys_016()
{
    ResetEntries(16);
    for (std::int32_t i = 0; i < 16; ++i) {
        const auto v = static_cast<std::uint8_t>(17 * i);
        SetEntry(i, v, v, v);
    }
    BuildLookupPalette();
}

void cDIBPal::CreateGreys_256()
{
    ResetEntries(256);
    for (std::int32_t i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        SetEntry(i, v, v, v);
    }
    BuildLookupPalette();
}

} // namespace quillmere
