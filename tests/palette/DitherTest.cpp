#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::GetPixels;
using testing::Iota;
using testing::RecordingObserver;
using testing::SetPixels;

std::uint32_t Word(int r, int g, int b) { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b); }
std::uint32_t Grey(int v) { return Word(v, v, v); }

TEST(InitializePalID, MakesAZeroBufferOfBitmapRows)
{
    cDIBDither dither;
    EXPECT_TRUE(dither.PalID().empty());
    EXPECT_THROW(dither.PalIDPtr(), SubscriptError);

    struct Case {
        std::int32_t width, height;
        std::uint8_t bpp;
        std::int32_t stride;
    };
    constexpr Case kCases[] = {{3, 2, 4, 4}, {9, 3, 1, 4}, {3, 1, 8, 4}, {320, 400, 8, 320},
                               {321, 1, 8, 324}, {321, 1, 4, 164}, {321, 1, 1, 44}, {33, 1, 1, 8}};
    for (const Case& c : kCases) {
        std::uint8_t* p = dither.InitializePalID(c.width, c.height, c.bpp);
        EXPECT_EQ(cDIBDither::RowBytes(c.width, c.bpp), c.stride);
        EXPECT_EQ(p, dither.PalIDPtr());
        EXPECT_EQ(dither.PalID(), std::vector<std::uint8_t>(static_cast<std::size_t>(c.stride) * c.height, 0))
            << c.width << " x " << c.height << " at " << int(c.bpp);
    }
}

TEST(InitializePalID, RefusesBadSizesAndKeepsTheOldBuffer)
{
    cDIBDither dither;
    dither.InitializePalID(2, 2, 8)[0] = 7;
    EXPECT_THROW(dither.InitializePalID(0, 5, 8), Error);
    EXPECT_THROW(dither.InitializePalID(5, 0, 8), Error);
    EXPECT_THROW(dither.InitializePalID(5, 5, 0), Error);
    EXPECT_THROW(dither.InitializePalID(0x7FFFFFFF, 1, 8), OverflowError);
    EXPECT_THROW(dither.InitializePalID(100000, 100000, 8), OverflowError);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{7, 0, 0, 0, 0, 0, 0, 0}));
}

// Grey dithering without diffusion puts a chosen index at every pixel: the
// layout of the buffer at each depth.
struct LayoutCase {
    const char* name;
    void (cDIBPal::*create)();
    std::int32_t width;
    std::vector<int> top, bottom; // grey levels of the two picture rows
    std::vector<std::uint8_t> buffer;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

const LayoutCase kLayouts[] = {
    // Top row last; pixel 0 in the high nibble; the fill bytes stay 0.
    {"FourBitsThreeWide", &cDIBPal::CreateGreys_016, 3, {17, 34, 255}, {0, 255, 51},
     {0x0F, 0x30, 0, 0, 0x12, 0xF0, 0, 0}},
    // Pixel 8 is bit 7 of byte 1.
    {"OneBitNineWide", &cDIBPal::CreateBlackAndWhite, 9, {255, 0, 0, 0, 0, 0, 0, 0, 255},
     {0, 255, 0, 0, 0, 0, 0, 255, 0}, {0x41, 0x00, 0, 0, 0x80, 0x80, 0, 0}},
    {"EightBitsThreeWide", &cDIBPal::CreateGreys_256, 3, {1, 2, 3}, {4, 5, 250},
     {4, 5, 250, 0, 1, 2, 3, 0}},
};

class IndexLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(IndexLayout, PacksIndicesLikeBitmapRows)
{
    const LayoutCase& c = GetParam();
    std::vector<std::uint32_t> pixels;
    for (int v : c.top)
        pixels.push_back(Grey(v));
    for (int v : c.bottom)
        pixels.push_back(Grey(v));
    cDIB dib;
    SetPixels(dib, c.width, 2, pixels);
    cDIBPal pal;
    (pal.*c.create)();
    cDIBDither dither;
    dither.DitherToGreyPalette(dib, pal, false);
    EXPECT_EQ(dither.PalID(), c.buffer);
    EXPECT_EQ(GetPixels(dib), pixels); // every grey is in its palette
}

INSTANTIATE_TEST_SUITE_P(Depths, IndexLayout, ::testing::ValuesIn(kLayouts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DitherToGreyPalette, MapsAGreyRampToItsLevels)
{
    std::vector<std::uint32_t> ramp;
    for (int v = 0; v < 256; ++v)
        ramp.push_back(Grey(v));
    cDIB dib;
    cDIBPal pal;
    cDIBDither dither;

    SetPixels(dib, 256, 1, ramp);
    pal.CreateGreys_256();
    dither.DitherToGreyPalette(dib, pal, true); // no error, so nothing is diffused
    std::vector<std::uint8_t> expected(256);
    for (int v = 0; v < 256; ++v)
        expected[v] = static_cast<std::uint8_t>(v);
    EXPECT_EQ(dither.PalID(), expected);
    EXPECT_EQ(GetPixels(dib), ramp);

    SetPixels(dib, 256, 1, ramp);
    pal.CreateGreys_016();
    dither.DitherToGreyPalette(dib, pal, false);
    const std::vector<std::uint8_t> buffer = dither.PalID();
    for (int v = 0; v < 256; ++v) {
        const int index = (v + 8) / 17; // nearest of the 16 greys
        const int packed = (v & 1) ? (buffer[v / 2] & 0x0F) : (buffer[v / 2] >> 4);
        EXPECT_EQ(packed, index) << "grey " << v;
        EXPECT_EQ(GetPixels(dib)[v], Grey(17 * index)) << "grey " << v;
    }
}

TEST(DitherToColorPalette, KeepsThePalettesOwnColours)
{
    // Each EGA colour, rounded to the grid of 17, is still nearest to itself,
    // with diffusion and without (pure red stays red, not blue).
    cDIBPal pal;
    pal.CreateEGA();
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < 16; ++i) {
        const auto e = static_cast<std::uint8_t>(i);
        pixels.push_back(Word(pal.rgbR(e), pal.rgbG(e), pal.rgbB(e)) | 0x77000000u);
    }
    ASSERT_NE(std::find(pixels.begin(), pixels.end(), Word(255, 0, 0) | 0x77000000u), pixels.end());
    for (const bool diffuse : {true, false}) {
        SCOPED_TRACE(diffuse ? "diffused" : "not diffused");
        cDIB dib;
        SetPixels(dib, 16, 1, pixels);
        cDIBDither dither;
        dither.DitherToColorPalette(dib, pal, diffuse);
        EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}));
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(GetPixels(dib)[i], pixels[i] & 0x00FFFFFF) << "the palette's reserved byte replaces the pixel's";
    }
}

TEST(DitherToColorPalette, TurnsWhiteIntoWhiteIndices)
{
    cDIB dib;
    ASSERT_TRUE(dib.Create(9, 3, 0x00FFFFFF));
    cDIBPal pal;
    pal.CreateBlackAndWhite();
    cDIBDither dither;
    dither.DitherToColorPalette(dib, pal, true);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0xFF, 0x80, 0, 0, 0xFF, 0x80, 0, 0, 0xFF, 0x80, 0, 0}));
    EXPECT_EQ(GetPixels(dib), std::vector<std::uint32_t>(27, Grey(255)));
}

// Floyd-Steinberg on two pixels of one row. The right neighbour's index
// shows what it received.
struct DiffusionCase {
    const char* name;
    std::uint32_t first, second;
    std::uint8_t secondIndex;
};

void PrintTo(const DiffusionCase& c, std::ostream* os) { *os << c.name; }

const DiffusionCase kDiffusion[] = {
    // 256 greys through the cube: blue 8 is grid level 0 (grey 0); blue 9 is
    // level 1, whose grid colour (0, 0, 17) is nearest to grey 6.
    {"SummedErrorOfThreeStaysPut", Word(34, 34, 37), Word(0, 0, 8), 0},
    {"NegativeErrorOfThreeStaysPut", Word(34, 34, 31), Word(0, 0, 9), 6},
    {"ErrorOfFourPassesSevenSixteenths", Word(34, 34, 38), Word(0, 0, 8), 6},
    {"SharesAreTruncatedTowardZero", Word(34, 34, 29), Word(0, 0, 11), 6}, // -5 * 7 / 16 = -2, not -3
    // Blue 254 + 3 stops at 255, grid colour (0, 0, 255), nearest to grey 85;
    // 1 - 3 stops at 0. Wrapped round, each would land at the other end.
    {"RightShareClampedAt255", Word(34, 34, 42), Word(0, 0, 254), 85},
    {"RightShareClampedAt0", Word(34, 34, 26), Word(0, 0, 1), 0},
};

class Diffusion : public ::testing::TestWithParam<DiffusionCase> {};

TEST_P(Diffusion, PassesTheErrorRight)
{
    const DiffusionCase& c = GetParam();
    cDIB dib;
    SetPixels(dib, 2, 1, {c.first, c.second});
    cDIBPal pal;
    pal.CreateGreys_256();
    cDIBDither dither;
    dither.DitherToColorPalette(dib, pal, true);
    EXPECT_EQ(dither.PalID()[0], 34);
    EXPECT_EQ(dither.PalID()[1], c.secondIndex);
}

INSTANTIATE_TEST_SUITE_P(Cases, Diffusion, ::testing::ValuesIn(kDiffusion),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DitherToGreyPalette, DiffusesToAllFourNeighboursTruncatingEachShare)
{
    // A 2 x 2 picture of greys to black and white, worked by hand:
    // (0,0) 100 -> black, error 100: right +43, below +31, below right +6.
    // (1,0) 110 + 43 = 153 -> white, error -102: below -31, below left -19.
    // (0,1) 100 + 31 - 19 = 112 -> black, error 112: right +49.
    // (1,1) 104 + 6 - 31 + 49 = 128 -> white. Without any one share, or with a
    // share rounded down instead of toward zero, it would stay below 128.
    cDIB dib;
    SetPixels(dib, 2, 2, {Grey(100), Grey(110), Grey(100), Grey(104)});
    cDIBPal pal;
    pal.CreateBlackAndWhite();
    cDIBDither dither;
    dither.DitherToGreyPalette(dib, pal, true);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0x40, 0, 0, 0, 0x40, 0, 0, 0}));
    EXPECT_EQ(GetPixels(dib), (std::vector<std::uint32_t>{Grey(0), Grey(255), Grey(0), Grey(255)}));

    // Without diffusion the bottom pixels keep their own value: 131 -> white.
    SetPixels(dib, 2, 2, {Grey(100), Grey(110), Grey(131), Grey(100)});
    dither.DitherToGreyPalette(dib, pal, false);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0x80, 0, 0, 0, 0x00, 0, 0, 0}));
}

TEST(DitherToColorPalette, ClampsANeighbourAfterEachShare)
{
    // A 2 x 2 picture of greys to black and white, worked by hand:
    // (0,0) 100 -> black, error 100: right +43, below +31, below right +6.
    // (1,0) 150 + 43 = 193 -> white, error -62: below -19, below left -11.
    // (0,1) 240 + 31 stops at 255, then -11 gives 244 -> white, error -11: right -4.
    // (1,1) 144 + 6 - 19 - 4 = 127 -> black. Clamped only once at the end,
    // (0,1) would pass on no error and (1,1) would read 131; wrapped round,
    // (0,1) would be black and (1,1) 132: white either way.
    cDIB dib;
    SetPixels(dib, 2, 2, {Grey(100), Grey(150), Grey(240), Grey(144)});
    cDIBPal pal;
    pal.CreateBlackAndWhite();
    cDIBDither dither;
    dither.DitherToColorPalette(dib, pal, true);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0x80, 0, 0, 0, 0x40, 0, 0, 0}));
}

// Reserved entries, in each reduction: a fixed pixel takes its entry and passes
// nothing on (pixel 1 is dark but fixed to white, so passing its error would
// push pixel 2 far down); the others choose only below the first reserved entry.
TEST(ReservedEntries, FixedPixelsKeepTheirEntryAndTheRestStayBelow)
{
    cDIBPal pal;
    pal.CreateGreys_256();
    const std::vector<std::uint8_t> fixed = {0, 255, 0, 0};
    const ReservedEntries reserved{250, fixed};
    const std::function<void(cDIBDither&, cDIB&)> reductions[] = {
        [&](cDIBDither& d, cDIB& dib) { d.DitherToColorPalette(dib, pal, true, reserved); },
        [&](cDIBDither& d, cDIB& dib) { d.DitherToColorPalette(dib, pal, false, reserved); },
        [&](cDIBDither& d, cDIB& dib) { d.DitherToBestPalette(dib, pal, reserved); },
    };
    for (std::size_t k = 0; k < std::size(reductions); ++k) {
        SCOPED_TRACE(k);
        cDIB dib;
        SetPixels(dib, 4, 1, {Grey(250), Grey(10), Grey(252), Grey(100)});
        cDIBDither dither;
        reductions[k](dither, dib);
        const std::uint8_t* indices = dither.PalIDPtr();
        EXPECT_EQ(indices[0], 249);
        EXPECT_EQ(indices[1], 255);
        EXPECT_EQ(indices[2], 249);
        EXPECT_LT(indices[3], 250);
        EXPECT_EQ(GetPixels(dib)[1] & 0xFFFFFFu, Grey(255));
    }

    // Refused before anything is reduced: no entry left for the rest, more
    // entries than the palette has, indices for another size, an index beyond
    // the palette.
    cDIB dib;
    SetPixels(dib, 4, 1, {Grey(1), Grey(2), Grey(3), Grey(4)});
    cDIBDither dither;
    EXPECT_THROW(dither.DitherToColorPalette(dib, pal, true, {0, fixed}), Error);
    EXPECT_THROW(dither.DitherToBestPalette(dib, pal, {257, fixed}), Error);
    const std::vector<std::uint8_t> short3 = {0, 0, 0};
    EXPECT_THROW(dither.DitherToColorPalette(dib, pal, false, {250, short3}), Error);
    cDIBPal ega;
    ega.CreateEGA();
    EXPECT_THROW(dither.DitherToBestPalette(dib, ega, {12, fixed}), SubscriptError);
    EXPECT_EQ(GetPixels(dib)[0] & 0xFFFFFFu, Grey(1));
}

TEST(Dithering, RaisesOneProgressPerRowThenTheEnd)
{
    struct Case {
        std::int32_t width, height;
    };
    for (const Case c : {Case{1, 1}, Case{4, 3}}) {
        cDIB dib;
        ASSERT_TRUE(dib.Create(c.width, c.height, 0x00336699));
        cDIBPal pal;
        pal.CreateEGA();
        cDIBDither dither;
        RecordingObserver seen;
        dither.SetProgressObserver(&seen);
        dither.DitherToColorPalette(dib, pal, true);
        dither.DitherToGreyPalette(dib, pal, true);
        std::vector<std::int32_t> expected = Iota(c.height);
        expected.insert(expected.end(), expected.begin(), expected.end());
        EXPECT_EQ(seen.progress, expected);
        EXPECT_EQ(seen.ends, 2);
    }
}

TEST(DitheringErrors, LeaveWhatTheyMustLeave)
{
    cDIBDither dither;
    RecordingObserver seen;
    dither.SetProgressObserver(&seen);
    dither.InitializePalID(2, 1, 8)[0] = 9;
    const std::vector<std::uint8_t> before = dither.PalID();
    const std::vector<std::uint32_t> pixels = {Word(1, 2, 3), Word(200, 100, 50)};
    cDIB dib;
    SetPixels(dib, 2, 1, pixels);
    cDIBPal pal;

    // A surface without pixels: nothing at all.
    cDIB empty;
    pal.CreateGreys_256();
    dither.DitherToColorPalette(empty, pal, true);
    dither.DitherToGreyPalette(empty, pal, true);
    dither.DitherToBlackAndWhite(empty, 10);
    EXPECT_EQ(dither.PalID(), before);

    // A palette that is not 2, 16 or 256 entries: refused before anything changes.
    pal.CreateGreys_016();
    pal.InitializePalette(3);
    EXPECT_THROW(dither.DitherToColorPalette(dib, pal, true), Error);
    EXPECT_THROW(dither.DitherToGreyPalette(dib, pal, true), Error);
    EXPECT_EQ(dither.PalID(), before);
    EXPECT_EQ(GetPixels(dib), pixels);
    EXPECT_TRUE(seen.progress.empty());
    EXPECT_EQ(seen.ends, 0);

    // No lookup palette: the buffer is replaced, no pixel changes.
    pal.Clear();
    pal.InitializePalette(16);
    EXPECT_THROW(dither.DitherToColorPalette(dib, pal, true), OverflowError);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0, 0, 0, 0}));
    EXPECT_EQ(GetPixels(dib), pixels);

    // A lookup palette left from 256 entries when only 16 remain.
    pal.CreateGreys_256();
    pal.InitializePalette(16);
    EXPECT_THROW(dither.DitherToColorPalette(dib, pal, true), SubscriptError);
    EXPECT_EQ(GetPixels(dib), pixels);
    EXPECT_TRUE(seen.progress.empty());
}

} // namespace
} // namespace quillmere
