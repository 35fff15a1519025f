// One bit a pixel without a palette: mean-grey threshold and Stucki diffusion.
#include "palette/cDIBDither.h"

#include "imaging/Numeric.h"
#include "imaging/cDIB.h"
#include "palette/PixelRows.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quillmere {

namespace {

// Stucki weights (sum 42): two to the right on this row, five on each of the
// next two rows, centred under the pixel.
constexpr std::array<std::int32_t, 12> kStucki = {8, 4, 2, 4, 8, 4, 2, 1, 2, 4, 2, 1};

} // namespace

void cDIBDither::DitherToBlackAndWhite(cDIB& DIB, std::int32_t PalWeight)
{
    std::uint8_t* bits = DIB.DIBitsPtr();
    if (!bits)
        return;
    const std::int32_t W = DIB.Width();
    const std::int32_t H = DIB.Height();
    std::uint8_t* buffer = InitializePalID(W, H, 1);

    std::array<std::int32_t, 766> grey{};
    for (std::int32_t s = 0; s < 766; ++s)
        grey[s] = s / 3;
    // share[e + 255][k]: the part of error e that neighbour k receives.
    std::vector<std::array<std::int32_t, 12>> share(511);
    for (std::int32_t e = -255; e <= 255; ++e)
        for (std::size_t k = 0; k < kStucki.size(); ++k)
            share[e + 255][k] = e * kStucki[k] / 42;
    // Errors waiting for this row, the next and the one after.
    std::vector<std::int32_t> row1(W, 0), row2(W, 0), row3(W, 0);

    // Progress goes by halves over the two passes: 2 H events ending with H.
    float counter = 0.0f;
    const auto rowDone = [&] {
        counter += 0.5f;
        RaiseProgress(roundToInt(counter));
    };
    const auto greyAt = [&](const std::uint8_t* px) { return grey[px[0] + px[1] + px[2]]; };

    std::int32_t sum = 0;
    for (std::int32_t y = 0; y < H; ++y) {
        const std::uint8_t* px = bits + static_cast<std::ptrdiff_t>(y) * W * 4;
        for (std::int32_t x = 0; x < W; ++x, px += 4)
            sum = checkedAdd(sum, greyAt(px), "grey sum");
        rowDone();
    }
    const std::int32_t threshold = sum / checkedMul(W, H, "pixel count");

    for (std::int32_t y = 0; y < H; ++y) {
        std::uint8_t* row = buffer + static_cast<std::ptrdiff_t>(H - 1 - y) * stride_;
        std::uint8_t* px = bits + static_cast<std::ptrdiff_t>(y) * W * 4;
        for (std::int32_t x = 0; x < W; ++x, px += 4) {
            const std::int32_t v = dither::Clamp255(greyAt(px) + checkedDiv(row1[x] * 10, PalWeight));
            const std::uint8_t index = v < threshold ? 0 : 1;
            const std::int32_t q = index ? 255 : 0;
            dither::PutIndex<1>(row, x, index);
            px[0] = px[1] = px[2] = static_cast<std::uint8_t>(q);

            const std::array<std::int32_t, 12>& part = share[v - q + 255];
            if (x + 1 < W)
                row1[x + 1] += part[0];
            if (x + 2 < W)
                row1[x + 2] += part[1];
            for (std::int32_t d = -2; d <= 2; ++d) {
                const std::int32_t col = x + d;
                if (col < 0 || col >= W)
                    continue;
                if (y + 1 < H)
                    row2[col] += part[4 + d];
                if (y + 2 < H)
                    row3[col] += part[9 + d];
            }
        }
        row1.swap(row2);
        row2.swap(row3);
        std::fill(row3.begin(), row3.end(), 0);
        rowDone();
    }
    RaiseProgressEnd();
}

} // namespace quillmere
