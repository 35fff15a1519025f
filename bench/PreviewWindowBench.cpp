// One frame of the Boot Preview window offscreen: the palette step and the
// paint of the whole window, at 640 x 480 and at twice that.
#include "preview/window/BootPreviewWindow.h"
#include "support/PictureFixtures.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

namespace {

using namespace quillmere;

// A 320 x 400 logo whose entries 236 to 255 rotate, written once to a scratch file.
// The benchmark's own logo file, removed when the program ends.
struct TemporaryLogo {
    std::filesystem::path path;
    ~TemporaryLogo()
    {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

std::filesystem::path LogoFile()
{
    static const TemporaryLogo file = [] {
        testing::Bytes rows(320 * 400);
        for (std::size_t i = 0; i < rows.size(); ++i)
            rows[i] = static_cast<std::uint8_t>(i % 320 + i / 320);
        std::vector<std::uint32_t> colours(256);
        for (std::uint32_t i = 0; i < 256; ++i)
            colours[i] = i * 0x010203u;
        testing::Bytes bytes = testing::BmpFile(320, 400, 8, colours, rows);
        testing::PutU32(bytes, 50, 236); // biClrImportant
        const auto path =
            std::filesystem::temp_directory_path() / ("quillmere-previewwin-bench-" + std::to_string(::getpid()) + ".sys");
        testing::WriteBytes(path, bytes);
        return TemporaryLogo{path};
    }();
    return file.path;
}

void PreviewWindowFrame(benchmark::State& state, int scale)
{
    BootPreviewWindow window;
    window.resize(640 * scale, 480 * scale);
    window.ShowFile(LogoFile());
    window.SetAnimating(false);
    QImage target(window.size(), QImage::Format_RGB32);
    for (auto _ : state) {
        window.Step();
        window.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 640 * 480 * scale * scale);
}

void BM_PreviewWindowFrame_640x480(benchmark::State& state) { PreviewWindowFrame(state, 1); }
void BM_PreviewWindowFrame_1280x960(benchmark::State& state) { PreviewWindowFrame(state, 2); }

} // namespace

BENCHMARK(BM_PreviewWindowFrame_640x480)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_PreviewWindowFrame_1280x960)->Unit(benchmark::kMicrosecond)->UseRealTime();
