// Dithering to a grey palette of 2, 16 or 256 entries by luminance, with
// optional Floyd-Steinberg diffusion.
#include "palette/cDIBDither.h"

#include "imaging/Numeric.h"
#include "imaging/cDIB.h"
#include "palette/FloydSteinberg.h"
#include "palette/PixelRows.h"
#include "palette/cDIBPal.h"

namespace quillmere {

void cDIBDither::DitherToGreyPalette(cDIB& DIB, const cDIBPal& Pal, bool Diffuse)
{
    std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    const std::int32_t depth = dither::DepthForCount(Pal.Count());
    std::uint8_t* buffer = InitializePalID(W, H, static_cast<std::uint8_t>(depth));

    const dither::FloydSteinberg diffusion;
    dither::ScanRowsAtDepth(
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
                diffusion.Diffuse(px, x, y, W, H, B - q, G - q, R - q);
            return static_cast<std::uint8_t>(index);
        },
        [this](std::int32_t y) { RaiseProgress(y); });
    RaiseProgressEnd();
}

} // namespace quillmere
