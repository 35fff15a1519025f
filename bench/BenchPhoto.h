// A photo-like JPEG for the benchmarks, written once per process into a
// scratch folder that goes at exit.
#pragma once

#include "support/PictureFixtures.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillmere::bench {

// Smooth light and shade with fine grain and some edges, as a photo has.
inline std::uint8_t PhotoSample(int x, int y, int c)
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

// The scratch folder of this process.
inline const std::filesystem::path& ScratchFolder()
{
    static const std::filesystem::path dir = [] {
        const auto d = std::filesystem::temp_directory_path() / ("quillmere-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        std::atexit([] { std::filesystem::remove_all(ScratchFolder()); });
        return d;
    }();
    return dir;
}

// Writes a width x height photo as <scratch>/<subfolder>/photo.jpg (quality 90).
inline std::filesystem::path WritePhoto(const char* subfolder, int width, int height)
{
    const std::filesystem::path dir = ScratchFolder() / subfolder;
    std::filesystem::create_directories(dir);
    testing::JpegSpec spec;
    spec.width = width;
    spec.height = height;
    spec.quality = 90;
    spec.sample = PhotoSample;
    const std::filesystem::path file = dir / "photo.jpg";
    testing::WriteBytes(file, testing::EncodeJpeg(spec));
    return file;
}

} // namespace quillmere::bench
