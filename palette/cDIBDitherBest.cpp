// The remapping of the best-quality reduction: Floyd-Steinberg error diffusion
// (Floyd and Steinberg, 1976) in a serpentine scan (Ulichney, 1987), which
// keeps the error from drifting one way along every row, with limits that
// keep its noise where it pays, after the dithering map of libimagequant: the
// error is passed on in part, in full measure only in calm areas such as
// gradients, where banding would show, and not at all in busy texture, which
// hides banding and where diffusion only adds noise; a pixel of a flat area
// whose colour the palette holds (near enough) takes that entry and swallows
// the error that reached it, so flat areas stay flat.
#include "palette/cDIBDither.h"

#include "imaging/cDIB.h"
#include "palette/ColourHistogram.h"
#include "palette/NearestEntry.h"
#include "palette/PixelRows.h"
#include "palette/cDIBPal.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace quillmere {

namespace {

// A pixel of a flat area within this squared distance of an entry takes it
// and passes nothing on (3 * 2^2: about 2 levels a component).
constexpr std::int32_t kSnap = 12;
// Share of the error passed on in calm areas, in sixteenths: less than all
// of it keeps the diffusion's own noise down (libimagequant also passes on
// less than the whole error).
constexpr std::int32_t kAttenuation = 10;
// The error a pixel passes on, per component, is limited to this many levels,
// so a burst at a hard edge does not ripple on through the next area.
constexpr std::int32_t kMaxError = 32;
// Neighbour differences, summed over the components to the right and below,
// up to which an area is calm (full share) and from which it is busy (none).
constexpr std::int32_t kCalm = 8;
constexpr std::int32_t kBusy = 32;

// How much of its error each pixel passes on, in sixteenths, by how busy the
// picture is around it: all of kAttenuation where neighbours differ by at
// most kCalm (summed over the components, to the right and below), nothing
// from kBusy on, where texture hides banding and diffusion only adds noise.
// Bit 7 marks a pixel of a flat area: the same colour as a neighbour across
// and a neighbour up or down.
constexpr std::uint8_t kFlat = 0x80;

std::vector<std::uint8_t> PixelKinds(const std::uint8_t* bits, std::int32_t W, std::int32_t H)
{
    std::vector<std::uint8_t> kind(static_cast<std::size_t>(W) * static_cast<std::size_t>(H));
    const auto* words = reinterpret_cast<const std::uint32_t*>(bits);
    const auto at = [&](std::int32_t x, std::int32_t y) {
        return words[static_cast<std::size_t>(y) * static_cast<std::size_t>(W) + static_cast<std::size_t>(x)] &
               0x00FFFFFFu;
    };
    for (std::int32_t y = 0; y < H; ++y)
        for (std::int32_t x = 0; x < W; ++x) {
            const std::uint8_t* p = bits + (static_cast<std::ptrdiff_t>(y) * W + x) * 4;
            const std::uint8_t* right = x + 1 < W ? p + 4 : p - (x > 0 ? 4 : 0);
            const std::uint8_t* below = y + 1 < H ? p + static_cast<std::ptrdiff_t>(W) * 4
                                                  : p - (y > 0 ? static_cast<std::ptrdiff_t>(W) * 4 : 0);
            std::int32_t busy = 0;
            for (int k = 0; k < 3; ++k)
                busy += std::abs(p[k] - right[k]) + std::abs(p[k] - below[k]);
            const std::int32_t share = busy <= kCalm ? kAttenuation
                                       : busy >= kBusy ? 0
                                                       : kAttenuation * (kBusy - busy) / (kBusy - kCalm);
            const std::uint32_t c = at(x, y);
            const bool across = (x > 0 && at(x - 1, y) == c) || (x + 1 < W && at(x + 1, y) == c);
            const bool upDown = (y > 0 && at(x, y - 1) == c) || (y + 1 < H && at(x, y + 1) == c);
            kind[static_cast<std::size_t>(y) * static_cast<std::size_t>(W) + static_cast<std::size_t>(x)] =
                static_cast<std::uint8_t>(share | (across && upDown ? kFlat : 0));
        }
    return kind;
}

std::int32_t ClampByte(std::int32_t v) noexcept { return std::clamp(v, 0, 255); }

// Accumulated error in 1/256 of a level, rounded to whole levels (the shift
// floors, also for negative numbers).
std::int32_t Levels(std::int32_t acc) noexcept { return (acc + 128) >> 8; }

// Pixels of reserved entries: top-down, one a pixel (null: none), and the
// colours of every entry.
struct Fixed {
    const std::uint8_t* indices = nullptr;
    const std::vector<Colour>* colours = nullptr;
    std::int32_t first = 256;
};

template <int Depth, bool Reserved, typename RowDone>
void RemapRows(NearestEntry& search, std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride,
               std::int32_t W, std::int32_t H, const Fixed& fixed, RowDone&& rowDone)
{
    // Error still to come to each pixel of this row and the next, three
    // components each, with a spare column at either end for the shares that
    // fall off the picture.
    const std::size_t columns = static_cast<std::size_t>(W) + 2;
    std::vector<std::int32_t> thisRow(columns * 3, 0), nextRow(columns * 3, 0);
    std::int32_t previous = 0; // the last pixel's entry: a good guess for the next
    const std::vector<std::uint8_t> kinds = PixelKinds(bits, W, H);
    for (std::int32_t y = 0; y < H; ++y) {
        std::uint8_t* indices = buffer + static_cast<std::ptrdiff_t>(H - 1 - y) * stride;
        std::uint8_t* line = bits + static_cast<std::ptrdiff_t>(y) * W * 4;
        const bool forwards = y % 2 == 0;
        const std::ptrdiff_t ahead = forwards ? 3 : -3;
        std::fill(nextRow.begin(), nextRow.end(), 0);
        for (std::int32_t k = 0; k < W; ++k) {
            const std::int32_t x = forwards ? k : W - 1 - k;
            std::uint8_t* px = line + static_cast<std::ptrdiff_t>(x) * 4;
            if constexpr (Reserved) {
                const std::uint8_t kept = fixed.indices[static_cast<std::ptrdiff_t>(y) * W + x];
                if (kept >= fixed.first) {
                    dither::PutIndex<Depth>(indices, x, kept);
                    const Colour& shown = (*fixed.colours)[kept];
                    px[0] = static_cast<std::uint8_t>(shown.b);
                    px[1] = static_cast<std::uint8_t>(shown.g);
                    px[2] = static_cast<std::uint8_t>(shown.r);
                    px[3] = 0;
                    continue;
                }
            }
            const Colour own{px[2], px[1], px[0]};
            const std::uint8_t kind = kinds[static_cast<std::size_t>(y) * static_cast<std::size_t>(W) +
                                            static_cast<std::size_t>(x)];
            const std::int32_t attenuation = kind & ~kFlat;
            std::int32_t chosen = -1;
            std::int32_t eR = 0, eG = 0, eB = 0;
            if (kind & kFlat) {
                const std::int32_t nearest = search.Find(own, previous);
                if (Distance2(own, search.Entry(nearest)) <= kSnap)
                    chosen = nearest;
            }
            if (chosen < 0) {
                const std::int32_t* in = &thisRow[(static_cast<std::size_t>(x) + 1) * 3];
                const Colour wanted{ClampByte(own.r + Levels(in[0])), ClampByte(own.g + Levels(in[1])),
                                    ClampByte(own.b + Levels(in[2]))};
                chosen = search.Find(wanted, previous);
                const Colour& got = search.Entry(chosen);
                eR = std::clamp(wanted.r - got.r, -kMaxError, kMaxError);
                eG = std::clamp(wanted.g - got.g, -kMaxError, kMaxError);
                eB = std::clamp(wanted.b - got.b, -kMaxError, kMaxError);
            }
            previous = chosen;

            dither::PutIndex<Depth>(indices, x, static_cast<std::uint8_t>(chosen));
            const Colour& shown = search.Entry(chosen);
            px[0] = static_cast<std::uint8_t>(shown.b);
            px[1] = static_cast<std::uint8_t>(shown.g);
            px[2] = static_cast<std::uint8_t>(shown.r);
            px[3] = 0;

            if ((eR | eG | eB) == 0 || attenuation == 0)
                continue;
            // 7/16 ahead, 3/16 below behind, 5/16 below, 1/16 below ahead; each
            // times kAttenuation/16, which makes whole 1/256 steps.
            const std::ptrdiff_t at = (static_cast<std::ptrdiff_t>(x) + 1) * 3;
            const auto share = [&](std::vector<std::int32_t>& row, std::ptrdiff_t p, std::int32_t weight) {
                row[static_cast<std::size_t>(p)] += eR * weight * attenuation;
                row[static_cast<std::size_t>(p + 1)] += eG * weight * attenuation;
                row[static_cast<std::size_t>(p + 2)] += eB * weight * attenuation;
            };
            share(thisRow, at + ahead, 7);
            share(nextRow, at - ahead, 3);
            share(nextRow, at, 5);
            share(nextRow, at + ahead, 1);
        }
        thisRow.swap(nextRow);
        rowDone(y);
    }
}


} // namespace

void cDIBDither::DitherToBestPalette(cDIB& DIB, const cDIBPal& Pal) { ReduceToBestPalette(DIB, Pal, nullptr); }

void cDIBDither::DitherToBestPalette(cDIB& DIB, const cDIBPal& Pal, const ReservedEntries& reserved)
{
    ReduceToBestPalette(DIB, Pal, &reserved);
}

void cDIBDither::ReduceToBestPalette(cDIB& DIB, const cDIBPal& Pal, const ReservedEntries* reserved)
{
    std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    const std::int32_t depth = dither::DepthForCount(Pal.Count());

    std::vector<Colour> entries(static_cast<std::size_t>(Pal.Count()));
    const std::uint8_t* e = Pal.PalettePtr();
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i] = {e[i * 4 + 2], e[i * 4 + 1], e[i * 4]};
    Fixed fixed;
    std::int32_t searched = Pal.Count();
    if (reserved) {
        dither::CheckReserved(reserved->first, reserved->indices, W, H, Pal.Count());
        fixed = {reserved->indices.data(), &entries, reserved->first};
        searched = reserved->first;
    }
    NearestEntry search({entries.begin(), entries.begin() + searched});

    std::uint8_t* buffer = InitializePalID(W, H, static_cast<std::uint8_t>(depth));
    const auto rowDone = [this](std::int32_t y) { RaiseProgress(y); };
    dither::WithDepth(depth, reserved != nullptr, [&](auto d, auto r) {
        RemapRows<decltype(d)::value, decltype(r)::value>(search, bits, buffer, stride_, W, H, fixed, rowDone);
    });
    RaiseProgressEnd();
}

} // namespace quillmere
