// The Logo Manager's whole start-up, offscreen: a drive holding the three
// logos, the originals and ten saved sets, from making the window until every
// picture is shown (three current logos, ten thumbnails, three originals: 16
// bitmaps decoded and stretched).
#include "BenchPhoto.h"
#include "drive/DriveC.h"
#include "manager/window/Form1.h"
#include "manager/LogoSlot.h"
#include "support/ManagerDoubles.h"
#include "support/PictureFixtures.h"

#include <QApplication>
#include <QLabel>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using namespace quillmere;

// A 129078-byte logo: 320 x 400 at 8 bits, stripes of 256 colours.
testing::Bytes Logo(std::uint32_t seed)
{
    std::vector<std::uint32_t> colours(256);
    for (std::uint32_t i = 0; i < 256; ++i)
        colours[i] = (i * 0x010203u + seed * 0x0F0F0Fu) & 0xFFFFFF;
    testing::Bytes rows(320 * 400);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::uint8_t>((i % 320 + i / 320 + seed) & 0xFF);
    return testing::BmpFile(320, 400, 8, colours, rows);
}

std::filesystem::path MakeDrive()
{
    const std::filesystem::path root = bench::ScratchFolder() / "drive_c";
    std::filesystem::create_directories(root / "Windows");
    std::filesystem::create_directories(root / "VH Backups");
    testing::WriteBytes(root / "logo.sys", Logo(1));
    testing::WriteBytes(root / "Windows" / "logow.sys", Logo(2));
    testing::WriteBytes(root / "Windows" / "logos.sys", Logo(3));
    for (int n = kOriginalsBackup; n <= SetBackupNumber(kLastSet); ++n)
        for (const LogoSlot& slot : LogoSlots())
            testing::WriteBytes(root / "VH Backups" / BackupFileName(slot, n), Logo(static_cast<std::uint32_t>(n)));
    return root;
}

void BM_ManagerStartup(benchmark::State& state)
{
    static const std::filesystem::path drive = MakeDrive();
    const std::filesystem::path program = bench::ScratchFolder() / "program";
    std::filesystem::create_directories(program);
    testing::ManagerFakes fakes;
    const ManagerPlatform platform = fakes.Platform(program);
    for (auto _ : state) {
        Form1 window(platform, DriveC(drive));
        window.show();
        QApplication::processEvents();
        if (window.findChild<QLabel*>(QStringLiteral("Image5b"))->pixmap().isNull() ||
            window.findChild<QLabel*>(QStringLiteral("Image3c"))->pixmap().isNull()) {
            state.SkipWithError("a picture is missing");
            break;
        }
    }
}
BENCHMARK(BM_ManagerStartup)->Unit(benchmark::kMillisecond);

} // namespace
