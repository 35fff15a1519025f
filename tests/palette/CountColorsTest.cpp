#include "imaging/cDIB.h"
#include "palette/cDIBDither.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::GetPixels;
using testing::RecordingObserver;
using testing::SetPixels;

std::uint32_t Word(int r, int g, int b) { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b); }

struct CountCase {
    const char* name;
    std::function<std::vector<std::uint32_t>()> pixels;
    std::int32_t count;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }

const CountCase kCounts[] = {
    {"OnePixel", [] { return std::vector<std::uint32_t>{Word(1, 2, 3)}; }, 1},
    {"ReservedByteIgnored",
     [] { return std::vector<std::uint32_t>{Word(9, 9, 9), Word(9, 9, 9) | 0xFF000000u, Word(9, 9, 9) | 0x01000000u}; },
     1},
    {"AllGreys",
     [] {
         std::vector<std::uint32_t> v;
         for (int g = 0; g < 256; ++g)
             v.push_back(Word(g, g, g));
         return v;
     },
     256},
    {"AllRedsTimesAllGreens",
     [] {
         std::vector<std::uint32_t> v;
         for (int r = 0; r < 256; ++r)
             for (int g = 0; g < 256; ++g)
                 v.push_back(Word(r, g, 0));
         return v;
     },
     65536},
    // 40000 (red, blue) pairs, each seen with two greens: counting stops at the
    // pixel that brings the 32768th pair, after 32767 pairs of two colours.
    {"StopsAtThe32768thRedBluePair",
     [] {
         std::vector<std::uint32_t> v;
         for (int i = 0; i < 40000; ++i) {
             v.push_back(Word(i % 256, 0, i / 256));
             v.push_back(Word(i % 256, 1, i / 256));
         }
         return v;
     },
     2 * 32767},
};

class CountColors : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountColors, CountsDistinctColours)
{
    const std::vector<std::uint32_t> pixels = GetParam().pixels();
    cDIB dib;
    SetPixels(dib, static_cast<std::int32_t>(pixels.size()), 1, pixels);
    cDIBDither dither;
    EXPECT_EQ(dither.CountColors(dib), GetParam().count);
    EXPECT_EQ(GetPixels(dib), pixels);
    EXPECT_TRUE(dither.PalID().empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CountColors, ::testing::ValuesIn(kCounts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CountColorsEmpty, IsZero)
{
    cDIB dib;
    EXPECT_EQ(cDIBDither().CountColors(dib), 0);
}

TEST(DitherToTrueColor, RaisesOneEventMoreThanRowsAndChangesNothing)
{
    cDIB dib;
    SetPixels(dib, 1, 1, {Word(1, 2, 3)});
    cDIBDither dither;
    RecordingObserver seen;
    dither.SetProgressObserver(&seen);
    dither.DitherToTrueColor(dib);
    EXPECT_EQ(seen.progress, (std::vector<std::int32_t>{0, 1}));
    EXPECT_EQ(seen.ends, 1);
    EXPECT_EQ(GetPixels(dib), (std::vector<std::uint32_t>{Word(1, 2, 3)}));
    EXPECT_TRUE(dither.PalID().empty());

    cDIB empty;
    dither.DitherToTrueColor(empty);
    EXPECT_EQ(seen.ends, 1);
}

} // namespace
} // namespace quillmere
