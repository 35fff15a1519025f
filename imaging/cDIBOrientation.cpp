// Orientation: the mirrors are applied to the old picture before the turn, each
// on the axis that becomes the requested one after it.
#include "cDIB.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quillmere {

namespace {

// Old rows turned together: each new row then receives a run of adjacent
// pixels (a cache line) per pass instead of one.
constexpr std::int32_t kRowsPerStrip = 16;
constexpr std::uint32_t kColourBits = 0x00FFFFFFu; // reserved bytes stay 0

// New pixel (i, W - 1 - j) takes old pixel (j, i), for old rows i0 <= i < i1.
void TurnStrip(const std::uint32_t* T, std::uint32_t* out, std::int32_t W, std::int32_t H,
               std::int32_t i0, std::int32_t i1)
{
    auto at = [&](std::int32_t i, std::int32_t j) { return T + static_cast<std::size_t>(i) * W + j; };
    auto dst = [&](std::int32_t j) { return out + static_cast<std::size_t>(W - 1 - j) * H; };
    std::int32_t j = 0;
#ifdef __SSE2__
    // Blocks of 4 x 4 pixels, transposed in registers.
    const std::int32_t rows4 = i0 + (i1 - i0) / 4 * 4;
    const __m128i mask = _mm_set1_epi32(static_cast<int>(kColourBits));
    for (; j + 4 <= W; j += 4) {
        for (std::int32_t i = i0; i < rows4; i += 4) {
            const __m128i r0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(i, j)));
            const __m128i r1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(i + 1, j)));
            const __m128i r2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(i + 2, j)));
            const __m128i r3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at(i + 3, j)));
            const __m128i t0 = _mm_unpacklo_epi32(r0, r1);
            const __m128i t1 = _mm_unpacklo_epi32(r2, r3);
            const __m128i t2 = _mm_unpackhi_epi32(r0, r1);
            const __m128i t3 = _mm_unpackhi_epi32(r2, r3);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst(j) + i), _mm_and_si128(_mm_unpacklo_epi64(t0, t1), mask));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst(j + 1) + i), _mm_and_si128(_mm_unpackhi_epi64(t0, t1), mask));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst(j + 2) + i), _mm_and_si128(_mm_unpacklo_epi64(t2, t3), mask));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst(j + 3) + i), _mm_and_si128(_mm_unpackhi_epi64(t2, t3), mask));
        }
        for (std::int32_t i = rows4; i < i1; ++i)
            for (std::int32_t k = 0; k < 4; ++k)
                dst(j + k)[i] = *at(i, j + k) & kColourBits;
    }
#endif
    for (; j < W; ++j)
        for (std::int32_t i = i0; i < i1; ++i)
            dst(j)[i] = *at(i, j) & kColourBits;
}

} // namespace

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
        const PixelMemory T = TakeBits();
        CreateOrThrow(H, W);
        for (std::int32_t i0 = 0; i0 < H; i0 += kRowsPerStrip) {
            const std::int32_t i1 = std::min(H, i0 + kRowsPerStrip);
            TurnStrip(T.get(), words(), W, H, i0, i1);
            for (std::int32_t i = i0; i < i1; ++i)
                RaiseProgress(i);
        }
    }
    RaiseProgressEnd();
}

} // namespace quillmere
