// The Logo Creator window's two heavy clicks, offscreen: a 12-megapixel photo
// in the file list until the canvas has painted it (snapshot included), and
// "Create Logo" on a 640 x 480 photo. Compare with BM_DecodeJpeg_4000x3000
// (quillmere_decode_bench) and BM_CreateLogoChain_640x480
// (quillmere_palette_bench): the window should add little to either.
#include "BenchPhoto.h"
#include "desktop/SettingsStore.h"
#include "creator/window/fMain.h"
#include "support/PlatformDoubles.h"
#include "widgets/FileBrowser.h"

#include <QApplication>
#include <QPushButton>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace quillmere;

struct Creator {
    MemorySettingsStore settings;
    testing::FakeSaveDialog dialog;
    testing::FakeMessageBoxes messages;
    std::unique_ptr<fMain> window;

    explicit Creator(const std::filesystem::path& folder)
    {
        settings.Write(QStringLiteral("CPath"), QString::fromStdString(folder.string()));
        const std::filesystem::path snaps = bench::ScratchFolder() / "snapshots";
        std::filesystem::create_directories(snaps);
        window = std::make_unique<fMain>(CreatorPlatform{settings, dialog, messages, {}, snaps});
        window->show();
        QApplication::processEvents();
    }
};

void BM_CreatorLoadPicture_4000x3000(benchmark::State& state)
{
    static const auto photo = bench::WritePhoto("load", 4000, 3000);
    Creator c(photo.parent_path());
    for (auto _ : state) {
        c.window->Browser().ListIndex(0); // a click, even on the file already selected
        benchmark::DoNotOptimize(c.window->DIBbpp());
    }
    if (c.window->DIBbpp() != 24)
        state.SkipWithError("the photo did not load");
}
BENCHMARK(BM_CreatorLoadPicture_4000x3000)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_CreatorCreateLogo_640x480(benchmark::State& state)
{
    static const auto photo = bench::WritePhoto("create", 640, 480);
    Creator c(photo.parent_path());
    QPushButton* create = c.window->findChild<QPushButton*>(QStringLiteral("cmdCreate"));
    for (auto _ : state) {
        state.PauseTiming();
        c.window->Browser().ListIndex(0);
        state.ResumeTiming();
        create->click();
    }
    if (c.window->DIBbpp() != 8)
        state.SkipWithError("no logo was made");
}
BENCHMARK(BM_CreatorCreateLogo_640x480)->Unit(benchmark::kMillisecond);

} // namespace
