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

#include <cstdlib>
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

// A picture whose every pixel tells where it came from: x and y in the low
// bytes of red and green, their high bits in blue.
std::uint32_t PositionColour(std::int32_t x, std::int32_t y)
{
    return static_cast<std::uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) | (y >> 8) << 4);
}
std::pair<std::int32_t, std::int32_t> PositionOf(std::uint32_t colour)
{
    const std::int32_t b = static_cast<std::int32_t>(colour & 0xFF);
    return {static_cast<std::int32_t>(colour >> 16 & 0xFF) | (b & 0x0F) << 8,
            static_cast<std::int32_t>(colour >> 8 & 0xFF) | (b >> 4) << 8};
}

// The 320 x 400 surface as the fit left it, before the colours are reduced.
struct FittedSurface : CreateLogoSteps {
    const cDIB* dib = nullptr;
    std::vector<std::uint32_t> pixels;
    void Resized() override { pixels = GetPixels(*dib); }
};

TEST(CreateLogo, FitCropsOrPadsTo4By3)
{
    // Blue 0xFF never codes a position here (both high nibbles would be 15).
    constexpr std::uint32_t kPad = 0x2040FF;
    struct Case {
        const char* name;
        std::int32_t w, h;
        LogoFit fit;
        FitRect source, target;
    };
    const Case cases[] = {
        // Crop: the centred 4:3 part, stretched over the whole logo.
        {"crop 16:9", 1600, 900, LogoFit::Crop, {200, 0, 1200, 900}, {0, 0, 320, 400}},
        {"crop 4:3", 640, 480, LogoFit::Crop, {0, 0, 640, 480}, {0, 0, 320, 400}},
        {"crop 1:1", 500, 500, LogoFit::Crop, {0, 62, 500, 375}, {0, 0, 320, 400}},
        {"crop 1:4", 200, 800, LogoFit::Crop, {0, 325, 200, 150}, {0, 0, 320, 400}},
        // 2000 / 3 = 666.67 columns: rounded, not cut down.
        {"crop 2:1", 1000, 500, LogoFit::Crop, {166, 0, 667, 500}, {0, 0, 320, 400}},
        // Pad: the whole picture, on the part of the logo its shape covers on a 4:3 screen.
        {"pad 16:9", 1600, 900, LogoFit::Pad, {0, 0, 1600, 900}, {0, 50, 320, 300}},
        {"pad 4:3", 640, 480, LogoFit::Pad, {0, 0, 640, 480}, {0, 0, 320, 400}},
        {"pad 1:1", 500, 500, LogoFit::Pad, {0, 0, 500, 500}, {40, 0, 240, 400}},
        {"pad 1:4", 200, 800, LogoFit::Pad, {0, 0, 200, 800}, {130, 0, 60, 400}},
        // 400 * 2804 / 3000 = 373.87 rows: rounded, not cut down.
        {"pad 1000:701", 1000, 701, LogoFit::Pad, {0, 0, 1000, 701}, {0, 13, 320, 374}},
        // 320 * 3000 / 4004 = 239.76 columns: rounded, not cut down.
        {"pad 1000:1001", 1000, 1001, LogoFit::Pad, {0, 0, 1000, 1001}, {40, 0, 240, 400}},
        {"stretch 16:9", 1600, 900, LogoFit::Stretch, {0, 0, 1600, 900}, {0, 0, 320, 400}},
        // A sliver still shows: at least one pixel.
        {"pad 1:1000", 1, 1000, LogoFit::Pad, {0, 0, 1, 1000}, {159, 0, 1, 400}},
        {"crop 1000:1", 1000, 1, LogoFit::Crop, {499, 0, 1, 1}, {0, 0, 320, 400}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FitPlan plan = PlanFit(c.w, c.h, c.fit);
        EXPECT_EQ(plan.source, c.source);
        EXPECT_EQ(plan.target, c.target);

        std::vector<std::uint32_t> words(static_cast<std::size_t>(c.w) * static_cast<std::size_t>(c.h));
        for (std::int32_t y = 0; y < c.h; ++y)
            for (std::int32_t x = 0; x < c.w; ++x)
                words[static_cast<std::size_t>(y) * static_cast<std::size_t>(c.w) + static_cast<std::size_t>(x)] =
                    PositionColour(x, y);
        cDIB dib;
        testing::SetPixels(dib, c.w, c.h, words);
        testing::RecordingObserver resize;
        dib.SetProgressObserver(&resize);
        FittedSurface fitted;
        fitted.dib = &dib;
        cDIBPal pal;
        cDIBDither dither;
        ConversionOptions options;
        options.fit = c.fit;
        options.padColour = kPad;
        ASSERT_EQ(CreateLogo(dib, pal, dither, options, &fitted).bpp, 8);
        ASSERT_EQ(fitted.pixels.size(), 128000u);
        EXPECT_EQ(resize.progress, testing::Iota(400));
        EXPECT_EQ(resize.ends, 1);

        const auto at = [&](std::int32_t x, std::int32_t y) {
            return fitted.pixels[static_cast<std::size_t>(y) * 320 + static_cast<std::size_t>(x)] & 0xFFFFFF;
        };
        const FitRect& t = c.target;
        const FitRect& s = c.source;
        // Pad colour exactly outside the target, pictures pixels inside.
        for (std::int32_t y = 0; y < 400; ++y)
            for (std::int32_t x = 0; x < 320; ++x) {
                const bool inside = x >= t.x && x < t.x + t.w && y >= t.y && y < t.y + t.h;
                ASSERT_EQ(at(x, y) == kPad, !inside) << x << ", " << y;
            }
        // The target's corners show the source's corners.
        EXPECT_EQ(PositionOf(at(t.x, t.y)), std::make_pair(s.x, s.y));
        EXPECT_EQ(PositionOf(at(t.x + t.w - 1, t.y + t.h - 1)), std::make_pair(s.x + s.w - 1, s.y + s.h - 1));
        // The target's centre shows the picture's centre, within the span of
        // a logo pixel.
        const auto [cx, cy] = PositionOf(at(t.x + t.w / 2, t.y + t.h / 2));
        EXPECT_LE(std::abs(2 * cx - (c.w - 1)), 2 * (1 + s.w / t.w)) << cx;
        EXPECT_LE(std::abs(2 * cy - (c.h - 1)), 2 * (1 + s.h / t.h)) << cy;
    }
}

// Against the resized picture, the best palette and its remapping leave less
// error than the exact conversion.
TEST(CreateLogo, BestQualityLeavesLessErrorThanExact)
{
    cDIB reference;
    FillPhotoLike(reference, 640, 480);
    reference.Resize(320, 400);
    const auto want = GetPixels(reference);
    const auto squaredError = [&want](LogoQuality quality) {
        cDIB dib;
        FillPhotoLike(dib, 640, 480);
        cDIBPal pal;
        cDIBDither dither;
        ConversionOptions options;
        options.quality = quality;
        EXPECT_EQ(CreateLogo(dib, pal, dither, options).bpp, 8);
        EXPECT_EQ(pal.Count(), 256);
        EXPECT_EQ(dither.PalIDSize(), 128000);
        const auto got = GetPixels(dib);
        double sum = 0;
        for (std::size_t i = 0; i < got.size(); ++i)
            for (int shift = 0; shift < 24; shift += 8) {
                const double d = double(got[i] >> shift & 0xFF) - double(want[i] >> shift & 0xFF);
                sum += d * d;
            }
        return sum;
    };
    EXPECT_LT(squaredError(LogoQuality::Best), squaredError(LogoQuality::Exact) / 2);
}

TEST(ConversionOptions, NamesAndColoursReadBack)
{
    for (const LogoQuality q : {LogoQuality::Exact, LogoQuality::Best})
        EXPECT_EQ(LogoQualityNamed(NameOf(q)), q);
    for (const LogoFit f : {LogoFit::Stretch, LogoFit::Crop, LogoFit::Pad})
        EXPECT_EQ(LogoFitNamed(NameOf(f)), f);
    for (const char* wrong : {"", "Best", "exact ", "fast", "padded"}) {
        EXPECT_FALSE(LogoQualityNamed(wrong)) << wrong;
        EXPECT_FALSE(LogoFitNamed(wrong)) << wrong;
    }
    EXPECT_EQ(ColourFromHex("1a2B3c"), 0x1A2B3Cu);
    EXPECT_EQ(ColourFromHex("000000"), 0u);
    for (const char* wrong : {"", "12345", "1234567", "#12345", "12345g", "0x1234", " 12345"})
        EXPECT_FALSE(ColourFromHex(wrong)) << wrong;
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

TEST_F(ConvertFile, EveryFormatUnderEveryOptionGivesALogo)
{
    testing::JpegSpec photo;
    photo.width = 300;
    photo.height = 100;
    testing::GifSpec gif;
    gif.globalColours = {0x102030, 0xF0E0D0};
    gif.indices = {0, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 1, 1, 1, 0, 0};
    const std::pair<const char*, testing::Bytes> inputs[] = {
        {"photo.jpg", testing::EncodeJpeg(photo)},
        {"anim.gif", testing::EncodeGif(gif)},
        {"tall.bmp", testing::BmpFile(1, 3, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0})},
    };
    ConversionOptions best;
    best.quality = LogoQuality::Best;
    ConversionOptions crop = best;
    crop.fit = LogoFit::Crop;
    ConversionOptions pad;
    pad.fit = LogoFit::Pad;
    pad.padColour = 0xFFFFFF;
    for (const auto& [name, bytes] : inputs)
        for (const ConversionOptions& options : {best, crop, pad}) {
            SCOPED_TRACE(std::string(name) + " " + NameOf(options.quality) + " " + NameOf(options.fit));
            testing::WriteBytes(dir_ / name, bytes);
            const auto out = dir_ / "logo.sys";
            ConvertPictureFile(dir_ / name, out, nullptr, nullptr, nullptr, {}, options);
            EXPECT_TRUE(IsValidLogo(out));
            const auto logo = testing::ReadBytes(out);
            ASSERT_EQ(logo.size(), 129078u);
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
