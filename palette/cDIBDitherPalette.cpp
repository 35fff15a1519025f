// Dithering to a palette of 2, 16 or 256 entries: colour (through the index
// cube) and grey (through the luminance), with optional Floyd-Steinberg diffusion.
#include "palette/cDIBDither.h"

#include "imaging/Errors.h"
#include "imaging/Numeric.h"
#include "imaging/cDIB.h"
#include "palette/IndexCube.h"
#include "palette/PixelRows.h"
#include "palette/cDIBPal.h"

#include <array>
#include <cstring>
#include <string>

namespace quillmere {

namespace {

std::int32_t DepthForCount(std::int32_t count)
{
    switch (count) {
    case 256:
        return 8;
    case 16:
        return 4;
    case 2:
        return 1;
    default:
        throw Error("Only a palette of 2, 16 or 256 colours can be dithered to, not one of "
                    + std::to_string(count));
    }
}

// Walks the surface top row first, each row left to right; the index of picture
// row y goes to buffer row H - 1 - y. pick(px, x, y) returns the index of the
// pixel at px and overwrites it; rowDone(y) follows each row.
template <int Depth, typename Pick, typename RowDone>
void ScanRows(std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride, std::int32_t W, std::int32_t H,
              Pick&& pick, RowDone&& rowDone)
{
    for (std::int32_t y = 0; y < H; ++y) {
        std::uint8_t* row = buffer + static_cast<std::ptrdiff_t>(H - 1 - y) * stride;
        std::uint8_t* px = bits + static_cast<std::ptrdiff_t>(y) * W * 4;
        for (std::int32_t x = 0; x < W; ++x, px += 4)
            dither::PutIndex<Depth>(row, x, pick(px, x, y));
        rowDone(y);
    }
}

template <typename Pick, typename RowDone>
void ScanRowsAtDepth(std::int32_t depth, std::uint8_t* bits, std::uint8_t* buffer, std::int32_t stride,
                     std::int32_t W, std::int32_t H, Pick&& pick, RowDone&& rowDone)
{
    switch (depth) {
    case 8:
        ScanRows<8>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    case 4:
        ScanRows<4>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    default:
        ScanRows<1>(bits, buffer, stride, W, H, pick, rowDone);
        break;
    }
}

} // namespace

void cDIBDither::DitherToColorPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse)
{
    std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    const std::int32_t depth = DepthForCount(Pal.Count());
    std::uint8_t* buffer = InitializePalID(W, H, static_cast<std::uint8_t>(depth));

    // A lookup palette older than the entries may know more entries than there
    // are now; its answers would point past the palette.
    const LookupPalette* lookup = Pal.hPal();
    if (lookup && lookup->Count() > Pal.Count())
        throw SubscriptError("The palette's lookup has " + std::to_string(lookup->Count())
                             + " entries but the palette only " + std::to_string(Pal.Count()));

    IndexCube cube(lookup);
    std::array<std::array<std::uint8_t, 4>, 256> entries{}; // blue, green, red, reserved
    std::memcpy(entries.data(), Pal.PalettePtr(), static_cast<std::size_t>(Pal.Count()) * 4);
    // Grid levels pre-shifted to their place in the cube's index.
    std::array<std::int32_t, 256> level{};
    for (std::int32_t v = 0; v < 256; ++v)
        level[v] = IndexCube::Level(static_cast<std::uint8_t>(v));

    const auto rowDone = [this](std::int32_t y) { RaiseProgress(y); };
    if (Diffuse) {
        ScanRowsAtDepth(
            depth, bits, buffer, stride_, W, H,
            [&](std::uint8_t* px, std::int32_t x, std::int32_t y) {
                const std::uint8_t B = px[0], G = px[1], R = px[2];
                const std::uint8_t index = cube.At(level[R], level[G], level[B]);
                const std::array<std::uint8_t, 4>& entry = entries[index];
                const std::int32_t eB = B - entry[0];
                const std::int32_t eG = G - entry[1];
                const std::int32_t eR = R - entry[2];
                std::memcpy(px, entry.data(), 4);
                dither::DiffuseFloydSteinberg(px, x, y, W, H, eB, eG, eR);
                return index;
            },
            rowDone);
    } else {
        ScanRowsAtDepth(
            depth, bits, buffer, stride_, W, H,
            [&](std::uint8_t* px, std::int32_t, std::int32_t) {
                const std::uint8_t index = cube.At(level[px[2]], level[px[1]], level[px[0]]);
                std::memcpy(px, entries[index].data(), 4);
                return index;
            },
            rowDone);
    }
    RaiseProgressEnd();
}

void cDIBDither::DitherToGreyPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse)
{
    std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    const std::int32_t depth = DepthForCount(Pal.Count());
    std::uint8_t* buffer = InitializePalID(W, H, static_cast<std::uint8_t>(depth));

    ScanRowsAtDepth(
        depth, bits, buffer, stride_, W, H,
        [&](std::uint8_t* px, std::int32_t x, std::int32_t y) {
            const std::uint8_t B = px[0], G = px[1], R = px[2];
            // Luminance in double precision, summed in this order.
            const std::int32_t g = roundToByte((0.071 * B + 0.707 * G) + 0.222 * R);
            std::int32_t index;
            std::int32_t q;
            if (depth == 1) {
                index = g < 128 ? 0 : 1;
                q = index ? 255 : 0;
            } else if (depth == 4) {
                index = (g + 8) / 17;
                q = 17 * index;
            } else {
                index = g;
                q = g;
            }
            px[0] = px[1] = px[2] = static_cast<std::uint8_t>(q);
            if (Diffuse)
                dither::DiffuseFloydSteinberg(px, x, y, W, H, B - q, G - q, R - q);
            return static_cast<std::uint8_t>(index);
        },
        [this](std::int32_t y) { RaiseProgress(y); });
    RaiseProgressEnd();
}

} // namespace quillmere
