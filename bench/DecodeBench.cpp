// Decoding a 12-megapixel photo, and the whole conversion of it into a logo.
// The conversion works on 320 x 400 pixels once the photo is decoded, so its
// time should stay close to the decoding's.
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

} // namespace
