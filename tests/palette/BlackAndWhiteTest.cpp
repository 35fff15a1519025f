#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "palette/cDIBDither.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::GetPixels;
using testing::RecordingObserver;
using testing::SetPixels;

std::uint32_t Grey(int v) { return (std::uint32_t(v) << 16) | (std::uint32_t(v) << 8) | std::uint32_t(v); }

struct FlatCase {
    const char* name;
    int grey;
    std::vector<std::uint8_t> buffer; // 3 x 2 picture
};

void PrintTo(const FlatCase& c, std::ostream* os) { *os << c.name; }

const FlatCase kFlat[] = {
    {"WhiteStaysWhite", 255, {0xE0, 0, 0, 0, 0xE0, 0, 0, 0}},
    // The threshold is 0 and no value lies below it.
    {"BlackTurnsWhite", 0, {0xE0, 0, 0, 0, 0xE0, 0, 0, 0}},
};

class FlatPicture : public ::testing::TestWithParam<FlatCase> {};

TEST_P(FlatPicture, GivesAllWhite)
{
    const FlatCase& c = GetParam();
    cDIB dib;
    SetPixels(dib, 3, 2, std::vector<std::uint32_t>(6, Grey(c.grey) | 0x12000000u));
    cDIBDither dither;
    dither.DitherToBlackAndWhite(dib, 10);
    EXPECT_EQ(dither.PalID(), c.buffer);
    EXPECT_EQ(GetPixels(dib), std::vector<std::uint32_t>(6, Grey(255) | 0x12000000u)); // reserved byte kept
}

INSTANTIATE_TEST_SUITE_P(Cases, FlatPicture, ::testing::ValuesIn(kFlat),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DitherToBlackAndWhite, BreaksFlatMidGreyIntoAPattern)
{
    cDIB dib;
    SetPixels(dib, 8, 8, std::vector<std::uint32_t>(64, Grey(128)));
    cDIBDither dither;
    dither.DitherToBlackAndWhite(dib, 10);
    const std::vector<std::uint32_t> out = GetPixels(dib);
    EXPECT_EQ(out[0], Grey(255)); // equal to the threshold: white
    EXPECT_EQ(out[1], Grey(0));   // darkened by the first pixel's error
    const auto white = std::count(out.begin(), out.end(), Grey(255));
    EXPECT_EQ(white + std::count(out.begin(), out.end(), Grey(0)), 64);
    EXPECT_GT(white, 16);
    EXPECT_LT(white, 48);
}

// One row 200, 108, 12, 80: grey sum 400, threshold 100. Worked by hand:
// pixel 0 is white with error -55 (shares -10 right, -5 two right); pixel 1
// reads 108 + (-10 * 10) / PalWeight, and the rest follows from its choice.
struct WeightCase {
    std::int32_t palWeight;
    std::uint8_t bits;
};

void PrintTo(const WeightCase& c, std::ostream* os) { *os << "PalWeight " << c.palWeight; }

const WeightCase kWeights[] = {
    {10, 0x80}, // 98: black; pixel 3 gets 80 + 13 = 93: black
    {20, 0xC0}, // half the error: 103 white; pixel 3 gets 80 - 7: black
    {5, 0x90},  // twice the error: 88 black; pixel 3 gets 80 + 28 = 108: white
};

class PalWeight : public ::testing::TestWithParam<WeightCase> {};

TEST_P(PalWeight, ScalesTheDiffusedError)
{
    cDIB dib;
    SetPixels(dib, 4, 1, {Grey(200), Grey(108), Grey(12), Grey(80)});
    cDIBDither dither;
    dither.DitherToBlackAndWhite(dib, GetParam().palWeight);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{GetParam().bits, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(Cases, PalWeight, ::testing::ValuesIn(kWeights),
                         [](const auto& info) { return "Weight" + std::to_string(info.param.palWeight); });

TEST(DitherToBlackAndWhite, ReachesTwoRowsDownInsideThePicture)
{
    // One column 41, 0, 40: grey sum 81, threshold 27. Worked by hand:
    // the top pixel is white with error -214, giving -40 to the pixel below and
    // -20 to the one after (its other ten shares lie outside the picture).
    // The middle pixel stays black with no error; the bottom one reads
    // 40 - 20 = 20, below the threshold: black, though on its own it is white.
    cDIB dib;
    SetPixels(dib, 1, 3, {Grey(41), Grey(0), Grey(40)});
    cDIBDither dither;
    dither.DitherToBlackAndWhite(dib, 10);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0}));
    EXPECT_EQ(GetPixels(dib), (std::vector<std::uint32_t>{Grey(255), Grey(0), Grey(0)}));
}

TEST(DitherToBlackAndWhite, CountsProgressInHalvesOverBothPasses)
{
    struct Case {
        std::int32_t height;
        std::vector<std::int32_t> progress;
    };
    const Case kCases[] = {{1, {0, 1}}, {5, {0, 1, 2, 2, 2, 3, 4, 4, 4, 5}}};
    for (const Case& c : kCases) {
        cDIB dib;
        ASSERT_TRUE(dib.Create(2, c.height, 0x00808080));
        cDIBDither dither;
        RecordingObserver seen;
        dither.SetProgressObserver(&seen);
        dither.DitherToBlackAndWhite(dib, 10);
        EXPECT_EQ(seen.progress, c.progress);
        EXPECT_EQ(seen.ends, 1);
    }
}

TEST(DitherToBlackAndWhite, FailuresComeBeforeAnyPixelChanges)
{
    const std::vector<std::uint32_t> pixels = {Grey(10), Grey(200), Grey(90)};
    cDIB dib;
    SetPixels(dib, 3, 1, pixels);
    cDIBDither dither;
    dither.InitializePalID(1, 1, 8)[0] = 5;
    EXPECT_THROW(dither.DitherToBlackAndWhite(dib, 0), DivisionByZeroError);
    EXPECT_EQ(dither.PalID(), (std::vector<std::uint8_t>{0, 0, 0, 0})); // replaced
    EXPECT_EQ(GetPixels(dib), pixels);

    // 8421505 white pixels: the grey sum passes the largest 32-bit value.
    cDIB huge;
    ASSERT_TRUE(huge.Create(4097, 2056, 0x00FFFFFF));
    EXPECT_THROW(dither.DitherToBlackAndWhite(huge, 10), OverflowError);
}

} // namespace
} // namespace quillmere
