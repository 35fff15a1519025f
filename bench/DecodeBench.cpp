// Decoding a 12-megapixel photo, and the whole conversion of it into a logo.
// The conversion works on 320 x 400 pixels once the photo is decoded, so its
// time should stay close to the decoding's. A conversion with a moving band
// beside the same one without, in both qualities: the band should cost at
// most a fifth more.
#include "imaging/cDIB.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "BenchPhoto.h"
#include "creator/CreateLogo.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

const fs::path& Photo()
{
    static const fs::path path = quillmere::bench::WritePhoto("decode", 4000, 3000);
    return path;
}

void BM_DecodeJpeg_4000x3000(benchmark::State& state)
{
    const fs::path& photo = Photo();
    for (auto _ : state) {
        quillmere::cDIB dib;
        quillmere::cDIBPal pal;
        quillmere::cDIBDither dither;
        quillmere::DecodedPicture picture = quillmere::LoadPictureFile(photo);
        benchmark::DoNotOptimize(dib.CreateFromStdPicture(&picture, pal, dither));
        benchmark::DoNotOptimize(dib.DIBitsPtr()[0]);
    }
}
BENCHMARK(BM_DecodeJpeg_4000x3000)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_ConvertFile_4000x3000(benchmark::State& state)
{
    const fs::path& photo = Photo();
    const fs::path logo = photo.parent_path() / "logo.sys";
    for (auto _ : state)
        quillmere::ConvertPictureFile(photo, logo);
}
BENCHMARK(BM_ConvertFile_4000x3000)->Unit(benchmark::kMillisecond)->MinTime(3.0);

const fs::path& SmallPhoto()
{
    static const fs::path path = quillmere::bench::WritePhoto("small", 640, 480);
    return path;
}

// Arguments: band (0 or 1), quality (0 exact, 1 best).
void BM_ConvertFile_640x480(benchmark::State& state)
{
    const fs::path& photo = SmallPhoto();
    const fs::path logo = photo.parent_path() / "small.sys";
    quillmere::ConversionOptions options;
    options.animation = state.range(0) ? quillmere::LogoAnimationChoice::Band : quillmere::LogoAnimationChoice::None;
    options.quality = state.range(1) ? quillmere::LogoQuality::Best : quillmere::LogoQuality::Exact;
    for (auto _ : state)
        quillmere::ConvertPictureFile(photo, logo, nullptr, nullptr, nullptr, {}, options);
}
BENCHMARK(BM_ConvertFile_640x480)
    ->ArgNames({"band", "best"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace
