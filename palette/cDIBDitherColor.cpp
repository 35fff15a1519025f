// Dithering to any palette of 2, 16 or 256 entries through the index cube, with
// optional Floyd-Steinberg diffusion.
#include "palette/cDIBDither.h"

#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "palette/IndexCube.h"
#include "palette/FloydSteinberg.h"
#include "palette/PixelRows.h"
#include "palette/cDIBPal.h"

#include <cstring>
#include <optional>
#include <string>

namespace quillmere {

namespace {

// A pixel of a reserved entry: its index and the entry's 4 bytes.
struct Fixed {
    const std::uint8_t* indices = nullptr; // top-down, one a pixel; null: none
    const std::uint8_t* entries = nullptr;
    std::int32_t first = 256;
};

// The diffusing scan. The right neighbour's colour is carried from one pixel to
// the next instead of going through memory: nothing else reads it before its
// own visit, which overwrites it.
template <int Depth, bool Reserved, typename RowDone>
void DiffuseRows(IndexCube& cube, std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride, std::int32_t W,
                 std::int32_t H, const Fixed& fixed, RowDone&& rowDone)
{
    const dither::FloydSteinberg diffusion;
    for (std::int32_t y = 0; y < H; ++y) {
        std::uint8_t* row = buffer + static_cast<std::ptrdiff_t>(H - 1 - y) * stride;
        std::uint8_t* px = bits + static_cast<std::ptrdiff_t>(y) * W * 4;
        const bool rowBelow = y < H - 1;
        std::int32_t B = px[0], G = px[1], R = px[2];
        for (std::int32_t x = 0; x < W; ++x, px += 4) {
            if constexpr (Reserved) {
                const std::uint8_t kept = fixed.indices[static_cast<std::ptrdiff_t>(y) * W + x];
                if (kept >= fixed.first) {
                    dither::PutIndex<Depth>(row, x, kept);
                    std::memcpy(px, fixed.entries + static_cast<std::size_t>(kept) * 4, 4);
                    if (x < W - 1) {
                        B = px[4];
                        G = px[5];
                        R = px[6];
                    }
                    continue;
                }
            }
            const IndexCube::Cell& cell = cube.At(cube.CellOf(static_cast<std::uint8_t>(R),
                                                             static_cast<std::uint8_t>(G),
                                                             static_cast<std::uint8_t>(B)));
            dither::PutIndex<Depth>(row, x, static_cast<std::uint8_t>(cell.index));
            const std::int32_t eB = B - cell.entry[0];
            const std::int32_t eG = G - cell.entry[1];
            const std::int32_t eR = R - cell.entry[2];
            std::memcpy(px, cell.entry.data(), 4);
            const bool right = x < W - 1;
            if (right) {
                B = px[4];
                G = px[5];
                R = px[6];
            }
            if (dither::FloydSteinberg::WorthPassingOn(eB, eG, eR)) {
                if (right)
                    diffusion.AddRight(B, G, R, eB, eG, eR);
                if (rowBelow)
                    diffusion.AddBelow(px + static_cast<std::ptrdiff_t>(W) * 4, x, W, eB, eG, eR);
            }
        }
        rowDone(y);
    }
}

} // namespace

void cDIBDither::DitherToColorPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse)
{
    ReduceToColorPalette(DIB, Pal, Diffuse, nullptr);
}

void cDIBDither::DitherToColorPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse, const ReservedEntries& reserved)
{
    ReduceToColorPalette(DIB, Pal, Diffuse, &reserved);
}

void cDIBDither::ReduceToColorPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse, const ReservedEntries* reserved)
{
    std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    const std::int32_t depth = dither::DepthForCount(Pal.Count());
    std::optional<LookupPalette> searched;
    Fixed fixed;
    if (reserved) {
        dither::CheckReserved(reserved->first, reserved->indices, W, H, Pal.Count());
        searched.emplace(Pal.PalettePtr(), reserved->first);
        fixed = {reserved->indices.data(), Pal.PalettePtr(), reserved->first};
    }
    std::uint8_t* buffer = InitializePalID(W, H, static_cast<std::uint8_t>(depth));

    // A lookup palette older than the entries may know more entries than there
    // are now; its answers would point past the palette.
    const LookupPalette* lookup = searched ? &*searched : Pal.hPal();
    if (lookup && lookup->Count() > Pal.Count())
        throw SubscriptError("The palette's lookup has " + std::to_string(lookup->Count())
                             + " entries but the palette only " + std::to_string(Pal.Count()));

    IndexCube cube(lookup, Pal.PalettePtr(), Pal.Count());
    const auto rowDone = [this](std::int32_t y) { RaiseProgress(y); };
    if (Diffuse) {
        dither::WithDepth(depth, reserved != nullptr, [&](auto d, auto r) {
            DiffuseRows<decltype(d)::value, decltype(r)::value>(cube, bits, buffer, stride_, W, H, fixed, rowDone);
        });
    } else {
        dither::WithDepth(depth, reserved != nullptr, [&](auto d, auto r) {
            dither::ScanRows<decltype(d)::value>(
                bits, buffer, stride_, W, H,
                [&](std::uint8_t* px, std::int32_t x, std::int32_t y) {
                    if constexpr (decltype(r)::value) {
                        const std::uint8_t kept = fixed.indices[static_cast<std::ptrdiff_t>(y) * W + x];
                        if (kept >= fixed.first) {
                            std::memcpy(px, fixed.entries + static_cast<std::size_t>(kept) * 4, 4);
                            return kept;
                        }
                    }
                    const IndexCube::Cell& cell = cube.At(cube.CellOf(px[2], px[1], px[0]));
                    std::memcpy(px, cell.entry.data(), 4);
                    return static_cast<std::uint8_t>(cell.index);
                },
                rowDone);
        });
    }
    RaiseProgressEnd();
}

} // namespace quillmere
