// Decoding a 12-megapixel photo, and the whole conversion of it into a logo.
// The conversion works on 320 x 400 pixels once the photo is decoded, so its
// time should stay close to the decoding's.
#include "creator/CreateLogo.h"
#include "imaging/cDIB.h"
#include "imaging/decode/PictureLoader.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/PictureFixtures.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// Smooth light and shade with fine grain and some edges, as a photo has.
std::uint8_t PhotoSample(int x, int y, int c)
{
    const double shade = 0.5 + 0.35 * std::sin(x * 0.0021 + c * 1.3) * std::cos(y * 0.0017 - c * 0.7);
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^ static_cast<std::uint32_t>(y) * 19349663u ^
                      static_cast<std::uint32_t>(c) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    const int grain = static_cast<int>(h >> 28) - 8;
    const int edge = ((x / 250 + y / 190) % 5 == 0) ? 40 : 0;
    const int v = static_cast<int>(shade * 230) + grain + edge;
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
}

const fs::path& Photo()
{
    static const fs::path path = [] {
        const fs::path dir = fs::temp_directory_path() / ("quillmere-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        quillmere::testing::JpegSpec spec;
        spec.width = 4000;
        spec.height = 3000;
        spec.quality = 90;
        spec.sample = PhotoSample;
        const fs::path file = dir / "photo.jpg";
        quillmere::testing::WriteBytes(file, quillmere::testing::EncodeJpeg(spec));
        std::atexit([] { fs::remove_all(Photo().parent_path()); });
        return file;
    }();
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
