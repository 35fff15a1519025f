#include "imaging/Errors.h"
#include "imaging/cDIB.h"
#include "palette/cDIBPal.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using testing::SetPixels;

std::uint32_t Word(int r, int g, int b) { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b); }

// Entries as 0x00RRGGBB words.
std::vector<std::uint32_t> Entries(const cDIBPal& pal)
{
    std::vector<std::uint32_t> out;
    for (int i = 0; i < pal.Count(); ++i) {
        const auto e = static_cast<std::uint8_t>(i);
        out.push_back(Word(pal.rgbR(e), pal.rgbG(e), pal.rgbB(e)));
    }
    return out;
}

struct OptimalCase {
    const char* name;
    std::vector<std::uint32_t> pixels; // one row, scanned left to right
    std::int32_t palSize;
    std::int32_t levels;
    std::vector<std::uint32_t> entries; // the first entries; the rest must be black
};

void PrintTo(const OptimalCase& c, std::ostream* os) { *os << c.name; }

const OptimalCase kOptimal[] = {
    {"OneColour", {Word(10, 200, 30), Word(10, 200, 30), Word(10, 200, 30)}, 256, 8, {Word(10, 200, 30)}},
    // Before any merging, entries follow the colours' first appearance.
    {"FirstAppearanceOrder",
     {Word(250, 0, 0), Word(0, 0, 250), Word(250, 0, 0), Word(0, 250, 0), Word(9, 9, 9), Word(0, 0, 250)},
     256, 8, {Word(250, 0, 0), Word(0, 0, 250), Word(0, 250, 0), Word(9, 9, 9)}},
    // At depth 8, 0 and 1 share the lowest range; the mean 0.5 rounds to even.
    {"ZeroAndOneShareALeaf", {Word(0, 0, 0), Word(1, 0, 0)}, 256, 8, {Word(0, 0, 0)}},
    {"OneAndTwoAreSplit", {Word(1, 0, 0), Word(2, 0, 0)}, 256, 8, {Word(1, 0, 0), Word(2, 0, 0)}},
    {"OneAndTwoShareALeafOneLevelUp", {Word(1, 0, 0), Word(2, 0, 0), Word(2, 0, 0), Word(2, 0, 0)}, 256, 7,
     {Word(2, 0, 0)}},
    // Depth 2, two entries. White's level-1 node, listed last, is merged first
    // (it has one leaf, so that frees nothing); then the node holding (0, 0, 0)
    // and (100, 0, 0) becomes one leaf of their mean.
    {"MostRecentlyListedIsMergedFirst", {Word(0, 0, 0), Word(100, 0, 0), Word(255, 255, 255)}, 2, 2,
     {Word(50, 0, 0), Word(255, 255, 255)}},
    // Depth 2, three entries. The merge of the first node frees nodes 3, 4 and 5;
    // green, which comes last, reuses node 4 for its leaf and so takes the
    // entry before white (node 6).
    {"FreedNodesAreReusedLastFreedFirst",
     {Word(0, 0, 0), Word(100, 0, 0), Word(0, 0, 100), Word(255, 255, 255), Word(0, 255, 0)}, 3, 2,
     {Word(33, 0, 33), Word(0, 255, 0), Word(255, 255, 255)}},
};

class CreateOptimal : public ::testing::TestWithParam<OptimalCase> {};

TEST_P(CreateOptimal, BuildsTheExpectedEntries)
{
    const OptimalCase& c = GetParam();
    cDIB dib;
    SetPixels(dib, static_cast<std::int32_t>(c.pixels.size()), 1, c.pixels);
    cDIBPal pal;
    pal.CreateOptimal(dib, c.palSize, c.levels, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(pal.Count(), c.palSize);
    EXPECT_NE(pal.hPal(), nullptr);
    std::vector<std::uint32_t> expected = c.entries;
    expected.resize(static_cast<std::size_t>(c.palSize), 0);
    EXPECT_EQ(Entries(pal), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, CreateOptimal, ::testing::ValuesIn(kOptimal),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CreateOptimalWeights, SteerOnlyTheSplit)
{
    cDIB dib;
    SetPixels(dib, 2, 1, {Word(0, 0, 0), Word(100, 0, 0)});
    cDIBPal pal;
    // Depth 1: unweighted both reds fall in the lower half and share one leaf.
    pal.CreateOptimal(dib, 8, 1, 1.0f, 1.0f, 1.0f);
    EXPECT_EQ(Entries(pal)[0], Word(50, 0, 0));
    // Doubled, red 100 counts as 200 > 128: two leaves, the colours themselves.
    pal.CreateOptimal(dib, 8, 1, 2.0f, 1.0f, 1.0f);
    EXPECT_EQ(Entries(pal)[0], Word(0, 0, 0));
    EXPECT_EQ(Entries(pal)[1], Word(100, 0, 0));
}

// 150 pairs (0, g, b) and (2, g, b); each pair fills one node of level 7 with
// two leaves. The first 128 pairs fill the 256 entries; every later pair makes
// the tree merge one earlier pair, the latest one first, into a leaf of the
// pair's mean (1, g, b), and then gathers both of its own pixels in one leaf.
TEST(CreateOptimalMerging, KeepsAtMostPalSizeEntriesEachTheMeanOfItsPixels)
{
    constexpr int kPairs = 150;
    std::vector<std::uint32_t> pixels;
    const auto pairGB = [](int i) { return std::pair{4 * (i % 64), 4 * (i / 64)}; };
    for (int i = 0; i < kPairs; ++i) {
        const auto [g, b] = pairGB(i);
        pixels.push_back(Word(0, g, b));
        pixels.push_back(Word(2, g, b));
    }
    cDIB dib;
    SetPixels(dib, static_cast<std::int32_t>(pixels.size()), 1, pixels);
    cDIBPal pal;
    pal.CreateOptimal(dib, 256, 8, 1.0f, 1.0f, 1.0f);
    ASSERT_EQ(pal.Count(), 256);

    std::vector<std::uint32_t> expected;
    for (int i = 0; i < kPairs; ++i) {
        const auto [g, b] = pairGB(i);
        if (i < 106) {
            expected.push_back(Word(0, g, b));
            expected.push_back(Word(2, g, b));
        } else {
            expected.push_back(Word(1, g, b));
        }
    }
    ASSERT_EQ(expected.size(), 256u);
    std::vector<std::uint32_t> actual = Entries(pal);
    std::sort(actual.begin(), actual.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(actual, expected);
}

TEST(CreateOptimalErrors, LeaveTheOldPalette)
{
    cDIB dib;
    std::vector<std::uint32_t> pixels;
    for (int i = 0; i < 8; ++i)
        pixels.push_back(Word(i & 1 ? 255 : 0, i & 2 ? 255 : 0, i & 4 ? 255 : 0));
    SetPixels(dib, 8, 1, pixels);

    cDIBPal pal;
    pal.CreateEGA();
    const LookupPalette* lookup = pal.hPal();
    EXPECT_THROW(pal.CreateOptimal(dib, 256, 0, 1, 1, 1), SubscriptError);
    EXPECT_THROW(pal.CreateOptimal(dib, 256, 9, 1, 1, 1), SubscriptError);
    // Eight corners of the cube need eight level-1 leaves, which no merge can join.
    EXPECT_THROW(pal.CreateOptimal(dib, 4, 8, 1, 1, 1), SubscriptError);
    EXPECT_THROW(pal.CreateOptimal(dib, 257, 8, 1, 1, 1), SubscriptError);
    EXPECT_EQ(pal.Count(), 16);
    EXPECT_EQ(pal.hPal(), lookup);
    EXPECT_EQ(pal.rgbR(9), 255);
}

TEST(CreateOptimalErrors, ALeafSumBeyond32BitsOverflows)
{
    // 8421505 pixels of 255 sum to 2147483775, past the largest 32-bit value.
    cDIB dib;
    ASSERT_TRUE(dib.Create(4097, 2056, 0x00FFFFFF));
    cDIBPal pal;
    EXPECT_THROW(pal.CreateOptimal(dib, 256, 1, 1, 1, 1), OverflowError);
}

TEST(CreateOptimal, AnEmptySurfaceGivesBlackEntries)
{
    cDIB dib;
    cDIBPal pal;
    pal.CreateOptimal(dib, 16, 8, 1, 1, 1);
    EXPECT_EQ(Entries(pal), std::vector<std::uint32_t>(16, 0));
}

TEST(FastOptimal, TakesTheShrunkPixelsInRowOrder)
{
    // Red top half, blue bottom half.
    cDIB halves;
    std::vector<std::uint32_t> pixels(8 * 8);
    for (int i = 0; i < 64; ++i)
        pixels[i] = i < 32 ? Word(255, 0, 0) : Word(0, 0, 255);
    SetPixels(halves, 8, 8, pixels);
    cDIBPal pal;
    pal.CreateFastOptimal_016(halves);
    ASSERT_EQ(pal.Count(), 16);
    EXPECT_NE(pal.hPal(), nullptr);
    std::vector<std::uint32_t> expected(16, Word(255, 0, 0));
    std::fill(expected.begin() + 8, expected.end(), Word(0, 0, 255));
    EXPECT_EQ(Entries(pal), expected);

    // A 16 x 16 picture comes over pixel for pixel, reserved byte included.
    cDIB square;
    pixels.assign(256, 0);
    for (int i = 0; i < 256; ++i)
        pixels[i] = Word(i, 255 - i, (7 * i) & 0xFF) | (i == 3 ? 0x5A000000u : 0u);
    SetPixels(square, 16, 16, pixels);
    pal.CreateFastOptimal_256(square);
    ASSERT_EQ(pal.Count(), 256);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(Entries(pal)[i], pixels[i] & 0x00FFFFFF) << "entry " << i;
    EXPECT_EQ(pal.PalettePtr()[4 * 3 + 3], 0x5A);
}

} // namespace
} // namespace quillmere
