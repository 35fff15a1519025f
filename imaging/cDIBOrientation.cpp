// Orientation: the mirrors are applied to the old picture before the turn, each
// on the axis that becomes the requested one after it.
#include "cDIB.h"

#include <algorithm>

namespace quillmere {

namespace {
// Old rows turned together: each new row then receives a run of adjacent
// pixels (a cache line) per pass instead of one.
constexpr std::int32_t kRowsPerStrip = 16;
}

void cDIB::Orientation(bool Rotate90, bool FlipH, bool FlipV)
{
    if (!hDIB())
        return;
    const std::int32_t W = Width();
    const std::int32_t H = Height();
    std::uint32_t* px = words();

    if ((FlipH && !Rotate90) || (FlipV && Rotate90)) {
        for (std::int32_t y = 0; y < H; ++y)
            std::reverse(px + static_cast<std::size_t>(y) * W, px + static_cast<std::size_t>(y + 1) * W);
    }
    if ((FlipV && !Rotate90) || (FlipH && Rotate90)) {
        for (std::int32_t y = 0; y < H / 2; ++y)
            std::swap_ranges(px + static_cast<std::size_t>(y) * W, px + static_cast<std::size_t>(y + 1) * W,
                             px + static_cast<std::size_t>(H - 1 - y) * W);
    }
    if (Rotate90) {
        // The old buffer is released anyway: it becomes the temporary copy T.
        const std::unique_ptr<std::uint32_t[]> T = TakeBits();
        CreateOrThrow(H, W);
        std::uint32_t* out = words();
        // New pixel (i, W - 1 - j) takes old pixel (j, i); reserved bytes stay 0.
        for (std::int32_t i0 = 0; i0 < H; i0 += kRowsPerStrip) {
            const std::int32_t i1 = std::min(H, i0 + kRowsPerStrip);
            for (std::int32_t j = 0; j < W; ++j) {
                std::uint32_t* o = out + static_cast<std::size_t>(W - 1 - j) * H;
                for (std::int32_t i = i0; i < i1; ++i)
                    o[i] = T[static_cast<std::size_t>(i) * W + j] & 0x00FFFFFFu;
            }
            for (std::int32_t i = i0; i < i1; ++i)
                RaiseProgress(i);
        }
    }
    RaiseProgressEnd();
}

} // namespace quillmere
