// cDIBDither: reduces a 32-bit surface to palette indices. It owns the index
// buffer PalID, laid out exactly as the pixel rows of a bitmap file: rows bottom
// row first, each ((nbpp * width + 31) / 32) * 4 bytes long (zero-filled up to a
// multiple of 4 bytes), indices packed most significant bits first (at 4 bits
// the even pixel in the high nibble, at 1 bit pixel 0 in bit 7).
//
// The dithering members overwrite the surface's pixels with the chosen colours,
// raise Progress(row) after each row and ProgressEnd() once, and do nothing
// (no event, buffer and surface untouched) on a surface without pixels.
#pragma once

#include "imaging/Progress.h"

#include <cstdint>
#include <span>
#include <vector>

namespace quillmere {

class cDIB;
class cDIBPal;

// Palette entries kept from the colour reduction for pixels whose index is
// decided beforehand (an animated part of a logo): the reduction chooses among
// entries 0 to first - 1 only, and each pixel whose value in indices (one byte
// a pixel, rows top-down) is first or more takes that entry as it is, shown in
// its colour, passing no error on and absorbing what reached it.
struct ReservedEntries {
    std::int32_t first = 256;
    std::span<const std::uint8_t> indices;
};

class cDIBDither : public ProgressSource {
public:
    cDIBDither() = default;
    cDIBDither(const cDIBDither&) = delete;
    cDIBDither& operator=(const cDIBDither&) = delete;

    // Bytes of one buffer row for nWidth indices of nbpp bits. Throws
    // OverflowError when it does not fit 32 bits.
    static std::int32_t RowBytes(std::int32_t nWidth, std::int32_t nbpp);

    // Replaces the buffer by an all-zero one for nWidth x nHeight indices of
    // nbpp bits (1 to 32) and returns the address of its first byte. Throws Error
    // for a width or height below 1 or a depth outside 1..32, OverflowError when
    // the size does not fit 32 bits; the old buffer then stays.
    std::uint8_t* InitializePalID(std::int32_t nWidth, std::int32_t nHeight, std::uint8_t nbpp);

    // A copy of the whole buffer; empty before the first InitializePalID.
    std::vector<std::uint8_t> PalID() const { return palID_; }
    // Address of the first byte of the buffer. Throws SubscriptError before the
    // first InitializePalID.
    std::uint8_t* PalIDPtr() const;
    // Size of the buffer in bytes (stride * rows); 0 before the first InitializePalID.
    std::int32_t PalIDSize() const noexcept { return static_cast<std::int32_t>(palID_.size()); }
    // The picture the buffer was made for; 0 before the first InitializePalID.
    std::int32_t PalIDWidth() const noexcept { return width_; }
    std::int32_t PalIDHeight() const noexcept { return height_; }
    std::int32_t PalIDBpp() const noexcept { return bpp_; }

    // One bit a pixel, without a palette: index 1 (white) where the grey value
    // plus the diffused error (Stucki weights, scaled by 10 / PalWeight) reaches
    // the picture's mean grey, else 0 (black). Progress goes by halves over two
    // passes: 2 * Height events ending with Height. Throws DivisionByZeroError
    // for PalWeight 0 (after the buffer is replaced, before any pixel changes),
    // OverflowError when the grey sum overflows 32 bits.
    void DitherToBlackAndWhite(cDIB& DIB, std::int32_t PalWeight);

    // Grey palettes of 2, 16 or 256 entries (black and white, 16 greys in steps
    // of 17, 256 greys): index from the luminance 0.071 B + 0.707 G + 0.222 R,
    // optional Floyd-Steinberg diffusion. Uses only Pal's Count. Throws Error for
    // another Count before anything changes.
    void DitherToGreyPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse);

    // Any palette of 2, 16 or 256 entries: each pixel takes the entry nearest to
    // its colour rounded to the grid of multiples of 17 (a 16 x 16 x 16 index
    // cube built from Pal's lookup palette), optional Floyd-Steinberg diffusion.
    // Throws Error for another Count before anything changes; OverflowError when
    // Pal has no lookup palette, SubscriptError when its lookup palette knows
    // more entries than Pal now has (both after the buffer is replaced by a zero
    // one, before any pixel changes).
    void DitherToColorPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse);

    // The same around reserved entries: the cube is built from a lookup of
    // Pal's entries 0 to reserved.first - 1 (Pal's own lookup palette is not
    // used). Throws Error before anything changes when reserved.first is not
    // 1 to Count or reserved.indices is not one byte a pixel, SubscriptError
    // when a pixel's index is beyond the palette.
    void DitherToColorPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse, const ReservedEntries& reserved);

    // Any palette of 2, 16 or 256 entries, remapped for the least visible error:
    // each pixel takes the entry nearest to its colour plus the error diffused
    // to it (Floyd-Steinberg weights in a serpentine scan, in exact integer
    // steps). The error is passed on at 10/16 where the picture is calm (a
    // gradient), less as it gets busier, not at all in busy texture; a pixel of
    // a flat area (its colour repeated across and up or down) within about 2
    // levels a component of an entry takes that entry and absorbs the error
    // that reached it. So flat areas stay flat, and a picture whose every
    // colour is in the palette comes back unchanged. Uses Pal's entries, not
    // its lookup palette. Throws Error for another Count before anything
    // changes; does nothing on a surface without pixels.
    void DitherToBestPalette(cDIB& DIB, const cDIBPal& Pal);

    // The same around reserved entries, throwing as DitherToColorPalette does.
    void DitherToBestPalette(cDIB& DIB, const cDIBPal& Pal, const ReservedEntries& reserved);

    // Leaves the surface as it is and raises Progress(0 .. Height), then
    // ProgressEnd(). The buffer is not touched.
    void DitherToTrueColor(const cDIB& DIB);

    // Number of distinct (red, green, blue) colours of the surface, reserved
    // byte ignored; 0 without pixels. Counting stops at the pixel that brings the
    // 32768th distinct (red, blue) pair: the count up to there is returned.
    std::int32_t CountColors(const cDIB& DIB) const;

private:
    // Both reductions with or without reserved entries (null: none).
    void ReduceToColorPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse, const ReservedEntries* reserved);
    void ReduceToBestPalette(cDIB& DIB, const cDIBPal& Pal, const ReservedEntries* reserved);

    std::vector<std::uint8_t> palID_;
    std::int32_t stride_ = 0;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t bpp_ = 0;
};

} // namespace quillmere
