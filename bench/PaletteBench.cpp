// Palette building, dithering and the whole logo conversion after decoding.
#include "imaging/cDIB.h"
#include "pictureio/cDIBSave.h"
#include "palette/IndexCube.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

using namespace quillmere;

// Smooth shading, soft shapes and grain: many colours, none flat, the way a
// photograph looks to a palette builder.
void FillPhotoLike(cDIB& dib, std::int32_t w, std::int32_t h)
{
    dib.Create(w, h);
    std::uint8_t* p = dib.DIBitsPtr();
    std::uint32_t seed = 2024;
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x, p += 4) {
            seed = seed * 1664525u + 1013904223u;
            const double grain = static_cast<double>((seed >> 24) & 0x0F) - 7.5;
            const double fx = static_cast<double>(x) / w;
            const double fy = static_cast<double>(y) / h;
            const double blob = std::exp(-((fx - 0.6) * (fx - 0.6) + (fy - 0.4) * (fy - 0.4)) * 12.0);
            const double wave = 0.5 + 0.5 * std::sin(fx * 9.0 + fy * 4.0);
            const auto clampByte = [](double v) {
                return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
            };
            p[2] = clampByte(40 + 180 * blob + 30 * fy + grain);       // red
            p[1] = clampByte(60 + 120 * wave * (1 - blob) + 40 * fx + grain); // green
            p[0] = clampByte(200 * (1 - fy) * (1 - 0.6 * blob) + grain);  // blue
        }
}

void CopySurface(const cDIB& from, cDIB& to)
{
    to.Create(from.Width(), from.Height());
    std::memcpy(to.DIBitsPtr(), from.DIBitsPtr(), static_cast<std::size_t>(from.Size()));
}

void BM_CreateOptimal_80x100(benchmark::State& state)
{
    cDIB thumb;
    FillPhotoLike(thumb, 80, 100);
    cDIBPal pal;
    for (auto _ : state) {
        pal.CreateOptimal(thumb, 256, 8, 1, 1, 1);
        benchmark::DoNotOptimize(pal.PalettePtr());
    }
}
BENCHMARK(BM_CreateOptimal_80x100)->Unit(benchmark::kMicrosecond);

void BM_DitherToColorPalette_320x400(benchmark::State& state)
{
    cDIB source;
    FillPhotoLike(source, 320, 400);
    cDIB thumb;
    thumb.Create(80, 100);
    thumb.LoadDIBBlt(source);
    cDIBPal pal;
    pal.CreateOptimal(thumb, 256, 8, 1, 1, 1);
    cDIB dib;
    cDIBDither dither;
    for (auto _ : state) {
        state.PauseTiming();
        CopySurface(source, dib);
        state.ResumeTiming();
        dither.DitherToColorPalette(dib, pal, true);
        benchmark::DoNotOptimize(dither.PalIDPtr());
    }
}
BENCHMARK(BM_DitherToColorPalette_320x400)->Unit(benchmark::kMicrosecond);

// For comparison with the dithering, which searches only the cube cells its
// pixels reach: all 4096 cells of a 256-entry palette.
void BM_IndexCube_AllCells(benchmark::State& state)
{
    cDIB thumb;
    FillPhotoLike(thumb, 80, 100);
    cDIBPal pal;
    pal.CreateOptimal(thumb, 256, 8, 1, 1, 1);
    for (auto _ : state) {
        IndexCube cube(pal.hPal(), pal.PalettePtr(), pal.Count());
        cube.FillAll();
        benchmark::DoNotOptimize(cube.At(4095));
    }
}
BENCHMARK(BM_IndexCube_AllCells)->Unit(benchmark::kMicrosecond);

// The whole conversion after decoding, as the Logo Creator runs it.
void BM_CreateLogoChain_640x480(benchmark::State& state)
{
    cDIB source;
    FillPhotoLike(source, 640, 480);
    const std::string file =
        (std::filesystem::temp_directory_path() / ("quillmere_bench_" + std::to_string(::getpid()) + ".sys")).string();
    cDIB dib;
    cDIBPal pal;
    cDIBDither dither;
    for (auto _ : state) {
        state.PauseTiming();
        CopySurface(source, dib);
        state.ResumeTiming();
        dib.Resize(320, 400);
        std::int32_t x, y, w, h;
        dib.GetBestFitInfo(100, 100, x, y, w, h);
        cDIB thumb;
        thumb.Create(w, h);
        thumb.LoadDIBBlt(dib);
        pal.CreateOptimal(thumb, 256, 8, 1, 1, 1);
        dither.DitherToColorPalette(dib, pal, true);
        cDIBSave::Save_BMP(file, dib, pal, dither, 8);
    }
    std::filesystem::remove(file);
}
BENCHMARK(BM_CreateLogoChain_640x480)->Unit(benchmark::kMillisecond);

} // namespace
