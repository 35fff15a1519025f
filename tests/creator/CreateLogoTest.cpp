// "Create Logo" and the headless conversion built on it.
#include "creator/CreateLogo.h"

#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "manager/LogoFormat.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/PictureFixtures.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::GetPixels;

// Something to reduce: smooth gradients with a few hard edges.
void FillPhotoLike(cDIB& dib, std::int32_t w, std::int32_t h)
{
    std::vector<std::uint32_t> words(static_cast<std::size_t>(w) * h);
    for (std::int32_t y = 0; y < h; ++y)
        for (std::int32_t x = 0; x < w; ++x) {
            const std::uint32_t r = static_cast<std::uint32_t>(x * 255 / w);
            const std::uint32_t g = static_cast<std::uint32_t>(y * 255 / h);
            const std::uint32_t b = ((x / 40 + y / 30) % 2) ? 200 : 40;
            words[static_cast<std::size_t>(y) * w + x] = r << 16 | g << 8 | b;
        }
    testing::SetPixels(dib, w, h, words);
}

struct StepLog : CreateLogoSteps {
    std::vector<std::string> seen;
    const cDIB* dib = nullptr;
    void Resizing() override { seen.push_back("resizing"); }
    void Resized() override { seen.push_back("resized " + std::to_string(dib->Width()) + "x" + std::to_string(dib->Height())); }
    void Converting() override { seen.push_back("converting"); }
    void BuildingPalette(bool busy) override { seen.push_back(busy ? "busy" : "idle"); }
};

TEST(CreateLogo, TurnsAnyPictureInto320By400At8Bits)
{
    cDIB dib;
    FillPhotoLike(dib, 640, 480);
    cDIBPal pal;
    cDIBDither dither;
    testing::RecordingObserver resize, reduce;
    dib.SetProgressObserver(&resize);
    dither.SetProgressObserver(&reduce);
    StepLog steps;
    steps.dib = &dib;

    EXPECT_EQ(CreateLogo(dib, pal, dither, &steps), 8);
    EXPECT_EQ(dib.Width(), 320);
    EXPECT_EQ(dib.Height(), 400);
    EXPECT_EQ(steps.seen, (std::vector<std::string>{"resizing", "resized 320x400", "converting", "busy", "idle"}));
    EXPECT_EQ(resize.progress, testing::Iota(400));
    EXPECT_EQ(resize.ends, 1);
    EXPECT_EQ(reduce.ends, 1);
    ASSERT_EQ(pal.Count(), 256);
    ASSERT_EQ(dither.PalIDSize(), 128000);

    // Each pixel now shows the palette entry its index names.
    const auto ids = dither.PalID();
    const auto px = GetPixels(dib);
    for (std::int32_t y = 0; y < 400; y += 7)
        for (std::int32_t x = 0; x < 320; x += 5) {
            const std::uint8_t i = ids[static_cast<std::size_t>(399 - y) * 320 + x];
            const std::uint32_t want = std::uint32_t{pal.rgbR(i)} << 16 | std::uint32_t{pal.rgbG(i)} << 8 | pal.rgbB(i);
            ASSERT_EQ(px[static_cast<std::size_t>(y) * 320 + x] & 0xFFFFFF, want) << x << ", " << y;
        }
}

TEST(CreateLogo, PaletteComesFromThe80By100Thumbnail)
{
    cDIB dib;
    FillPhotoLike(dib, 640, 480);
    cDIBPal pal;
    cDIBDither dither;
    CreateLogo(dib, pal, dither);

    cDIB again;
    FillPhotoLike(again, 640, 480);
    again.Resize(320, 400);
    cDIB thumbnail;
    ASSERT_TRUE(thumbnail.Create(80, 100));
    thumbnail.LoadDIBBlt(again);
    cDIBPal expected;
    expected.CreateOptimal(thumbnail, 256, 8, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(pal.Count(), expected.Count());
    for (int i = 0; i < 256; ++i) {
        const auto e = static_cast<std::uint8_t>(i);
        EXPECT_EQ(std::vector<int>({pal.rgbR(e), pal.rgbG(e), pal.rgbB(e)}),
                  std::vector<int>({expected.rgbR(e), expected.rgbG(e), expected.rgbB(e)}))
            << "entry " << i;
    }
}

TEST(CreateLogo, EmptySurfaceIsLeftAlone)
{
    cDIB dib;
    cDIBPal pal;
    cDIBDither dither;
    testing::RecordingObserver events;
    dib.SetProgressObserver(&events);
    EXPECT_EQ(CreateLogo(dib, pal, dither), 0);
    EXPECT_EQ(pal.Count(), 0);
    EXPECT_EQ(dither.PalIDSize(), 0);
    EXPECT_EQ(events.ends, 0);
}

class ConvertFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::path(::testing::TempDir()) / ("convert-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

TEST_F(ConvertFile, WritesALogoFromEachFormat)
{
    testing::JpegSpec photo;
    photo.width = 200;
    photo.height = 150;
    testing::GifSpec gif;
    gif.globalColours = {0x102030, 0xF0E0D0};
    gif.indices = {0, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 1, 1, 1, 0, 0};
    const std::pair<const char*, testing::Bytes> inputs[] = {
        {"photo.jpg", testing::EncodeJpeg(photo)},
        {"anim.gif", testing::EncodeGif(gif)},
        {"small.bmp", testing::BmpFile(2, 2, 24, {}, {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0})},
    };
    for (const auto& [name, bytes] : inputs) {
        SCOPED_TRACE(name);
        testing::WriteBytes(dir_ / name, bytes);
        const auto out = dir_ / (std::string(name) + ".sys");
        ConvertPictureFile(dir_ / name, out);
        EXPECT_EQ(std::filesystem::file_size(out), 129078u);
        EXPECT_TRUE(IsValidLogo(out));
        const auto logo = testing::ReadBytes(out);
        EXPECT_EQ(logo[28], 8); // biBitCount
    }
}

TEST_F(ConvertFile, FailureLeavesTheOutputAlone)
{
    const auto out = dir_ / "logo.sys";
    const testing::Bytes before = {'o', 'l', 'd'};
    testing::WriteBytes(out, before);
    testing::WriteBytes(dir_ / "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 2});
    try {
        ConvertPictureFile(dir_ / "broken.jpg", out);
        ADD_FAILURE() << "converted a broken file";
    } catch (const FileError& e) {
        EXPECT_EQ(e.file(), (dir_ / "broken.jpg").string());
    }
    EXPECT_EQ(testing::ReadBytes(out), before);

    // An output folder that does not exist: the error names the output.
    testing::WriteBytes(dir_ / "ok.bmp", testing::BmpFile(1, 1, 24, {}, {1, 2, 3, 0}));
    const auto nowhere = dir_ / "missing" / "logo.sys";
    try {
        ConvertPictureFile(dir_ / "ok.bmp", nowhere);
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const FileError& e) {
        EXPECT_NE(e.file().find("logo.sys"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(nowhere));
}

} // namespace
} // namespace quillmere
