// The boot preview of a logo whose entries 236 to 255 rotate: the 20 frames a
// window shows, one frame's palette step, and the whole GIF. The logo is noise
// (an index drawn at random for each pixel), as a dithered photo is, which is
// the hardest case for the GIF's compression.
#include "imaging/decode/PictureLoader.h"
#include "preview/BootScreen.h"
#include "preview/BootScreenGif.h"
#include "support/PictureFixtures.h"

#include <benchmark/benchmark.h>

namespace {

using namespace quillmere;

testing::Bytes NoiseLogo236()
{
    testing::Bytes rows(320 * 400);
    std::uint32_t seed = 12345;
    for (auto& index : rows) {
        seed = seed * 1664525u + 1013904223u;
        index = static_cast<std::uint8_t>(seed >> 24);
    }
    std::vector<std::uint32_t> colours(256);
    for (std::uint32_t i = 0; i < 256; ++i)
        colours[i] = i * 0x010101u;
    testing::Bytes file = testing::BmpFile(320, 400, 8, colours, rows);
    testing::PutU32(file, 50, 236); // biClrImportant
    return file;
}

// What a window needs for a full cycle: the scaled picture once, then the
// palette of each of the 20 frames.
void BM_PreviewFrames_236(benchmark::State& state)
{
    const DecodedPicture picture = DecodePicture(NoiseLogo236(), "logo.sys");
    for (auto _ : state) {
        const BootScreen screen(picture);
        BootPalette palette = screen.BasePalette();
        for (std::int32_t k = 0; k < screen.FrameCount(); ++k) {
            benchmark::DoNotOptimize(palette.data());
            StepPalette(palette, screen.FirstAnimated());
        }
        benchmark::DoNotOptimize(screen.Indices().data());
    }
}
BENCHMARK(BM_PreviewFrames_236)->Unit(benchmark::kMicrosecond);

// One frame's palette, as a timer tick makes it: the pixels are not touched.
void BM_PreviewPaletteStep_236(benchmark::State& state)
{
    const BootScreen screen(DecodePicture(NoiseLogo236(), "logo.sys"));
    BootPalette palette = screen.BasePalette();
    for (auto _ : state) {
        StepPalette(palette, screen.FirstAnimated());
        benchmark::DoNotOptimize(palette.data());
    }
}
BENCHMARK(BM_PreviewPaletteStep_236)->Unit(benchmark::kNanosecond);

// The same from a frame number, as a window that skipped ticks asks for it.
void BM_PreviewPaletteOf_236(benchmark::State& state)
{
    const BootScreen screen(DecodePicture(NoiseLogo236(), "logo.sys"));
    std::int64_t frame = 0;
    for (auto _ : state) {
        BootPalette palette = screen.PaletteOf(frame++);
        benchmark::DoNotOptimize(palette.data());
    }
}
BENCHMARK(BM_PreviewPaletteOf_236)->Unit(benchmark::kNanosecond);

// The whole GIF from the file's bytes: decode, scale, 20 frames. The still
// frame alone shows what compressing one frame costs.
void BM_PreviewGif_236(benchmark::State& state)
{
    const testing::Bytes file = NoiseLogo236();
    BootGifOptions options;
    options.still = state.range(0) != 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const BootScreen screen(DecodePicture(file, "logo.sys"));
        const std::vector<std::uint8_t> gif = EncodeBootScreenGif(screen, options);
        bytes = gif.size();
        benchmark::DoNotOptimize(gif.data());
    }
    state.counters["gif_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_PreviewGif_236)->ArgName("still")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
