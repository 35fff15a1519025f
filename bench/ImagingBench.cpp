#include "imaging/cDIB.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

using quillmere::cDIB;

// A picture with detail in every pixel, so that no step can shortcut flat colour.
void FillPhotoLike(cDIB& dib)
{
    const std::int32_t w = dib.Width();
    const std::int32_t h = dib.Height();
    auto* px = reinterpret_cast<std::uint32_t*>(dib.DIBitsPtr());
    std::uint32_t seed = 12345;
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const std::uint32_t noise = (seed >> 24) & 0x1F;
            const std::uint32_t r = (x * 255 / w + noise) & 0xFF;
            const std::uint32_t g = (y * 255 / h + noise) & 0xFF;
            const std::uint32_t b = ((x + y) * 127 / (w + h) + noise) & 0xFF;
            px[static_cast<std::size_t>(y) * w + x] = (r << 16) | (g << 8) | b;
        }
}

void BM_Resize_4000x3000_to_320x400(benchmark::State& state)
{
    cDIB source;
    source.Create(4000, 3000);
    FillPhotoLike(source);
    cDIB dib;
    for (auto _ : state) {
        state.PauseTiming();
        dib.Create(4000, 3000);
        std::memcpy(dib.DIBitsPtr(), source.DIBitsPtr(), static_cast<std::size_t>(source.Size()));
        state.ResumeTiming();
        dib.Resize(320, 400);
        benchmark::DoNotOptimize(dib.DIBitsPtr());
    }
    state.counters["ns_per_dst_pixel"] = benchmark::Counter(
        320.0 * 400.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Resize_4000x3000_to_320x400)->Unit(benchmark::kMicrosecond);

void BM_Orientation_Rotate90_1920x1080(benchmark::State& state)
{
    cDIB dib;
    dib.Create(1920, 1080);
    FillPhotoLike(dib);
    for (auto _ : state) {
        dib.Orientation(true, false, false);
        benchmark::DoNotOptimize(dib.DIBitsPtr());
    }
}
BENCHMARK(BM_Orientation_Rotate90_1920x1080)->Unit(benchmark::kMicrosecond);

// The floor the rotation is measured against: two plain passes over the same picture.
void BM_TwoPlainPasses_1920x1080(benchmark::State& state)
{
    cDIB a, b;
    a.Create(1920, 1080);
    FillPhotoLike(a);
    for (auto _ : state) {
        b.Create(1920, 1080);
        std::memcpy(b.DIBitsPtr(), a.DIBitsPtr(), static_cast<std::size_t>(a.Size()));
        benchmark::DoNotOptimize(b.DIBitsPtr());
    }
}
BENCHMARK(BM_TwoPlainPasses_1920x1080)->Unit(benchmark::kMicrosecond);

} // namespace
