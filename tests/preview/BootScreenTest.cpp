// The boot screen's picture and palettes: how rows and columns land on the
// 640 x 480 screen, where pictures of other sizes go, which files animate and
// how the palette rotates.
#include "support/PreviewFixtures.h"

#include "imaging/decode/PictureLoader.h"
#include "preview/BootScreen.h"
#include "preview/RowPattern.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace quillmere {
namespace {

using testing::Bytes;
using testing::EntryColour;

BootScreen ScreenOf(const Bytes& file) { return BootScreen(DecodePicture(file, "logo.sys")); }

std::uint8_t At(const BootScreen& s, int x, int y)
{
    return s.Indices()[static_cast<std::size_t>(y) * kBootScreenWidth + static_cast<std::size_t>(x)];
}

// Every source row appears once or twice, in order, and the last one ends the
// scaled picture; heights around the groups of 5 and past the screen.
class RowPatternTest : public ::testing::TestWithParam<std::int64_t> {};

TEST_P(RowPatternTest, EveryRowOnceOrTwiceInOrder)
{
    const std::int64_t height = GetParam();
    std::vector<int> times(static_cast<std::size_t>(height), 0);
    std::int64_t previous = 0;
    for (std::int64_t y = 0; y < ScaledHeight(height); ++y) {
        const std::int64_t row = SourceRow(y);
        ASSERT_LT(row, height) << "scaled row " << y;
        ASSERT_TRUE(row == previous || row == previous + 1) << "scaled row " << y << " jumps to " << row;
        ++times[static_cast<std::size_t>(row)];
        previous = row;
    }
    EXPECT_EQ(SourceRow(ScaledHeight(height)), height) << "one more scaled row would be past the picture";
    for (std::int64_t r = 0; r < height; ++r)
        EXPECT_TRUE(times[static_cast<std::size_t>(r)] == 1 || times[static_cast<std::size_t>(r)] == 2)
            << "row " << r << " appears " << times[static_cast<std::size_t>(r)] << " times";
}

INSTANTIATE_TEST_SUITE_P(Heights, RowPatternTest,
                         ::testing::Values(1, 2, 3, 4, 5, 6, 7, 399, 400, 401, 1000, 100000),
                         [](const auto& info) { return std::to_string(info.param) + "Rows"; });

TEST(RowPattern, A400RowLogoFillsTheScreenWithTheMiddleRowOfEachFiveTwice)
{
    EXPECT_EQ(ScaledHeight(400), 480);
    EXPECT_EQ(ScaledWidth(320), 640);
    for (std::int64_t y = 0; y < 480; ++y) {
        // Rows 0, 1, 2, 2, 3, 4 of every group of 5.
        constexpr int kInGroup[6] = {0, 1, 2, 2, 3, 4};
        ASSERT_EQ(SourceRow(y), y / 6 * 5 + kInGroup[y % 6]) << "scaled row " << y;
    }
}

TEST(BootScreenPicture, A320By400LogoCoversTheScreenColumnsTwiceRowsByThePattern)
{
    // Distinct indices in both directions, so a flipped or shifted row shows.
    const BootScreen s = ScreenOf(testing::LogoFile(320, 400, 0, [](std::int32_t x, std::int32_t y) {
        return static_cast<std::uint8_t>((x * 7 + y * 13) % 256);
    }));
    ASSERT_EQ(s.Indices().size(), 640u * 480u);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            ASSERT_EQ(At(s, x, y), ((x / 2) * 7 + SourceRow(y) * 13) % 256)
                << "screen pixel " << x << ", " << y;
    // The top row of the picture (the last one in the file) is at the top.
    EXPECT_EQ(At(s, 0, 0), 0);
    EXPECT_EQ(At(s, 639, 479), (319 * 7 + 399 * 13) % 256);
}

// Pictures of other sizes are scaled by the same factors and centred; the
// border shows entry 0. Every picture's pixels are index 1 + (x + y) % 255, so
// no picture pixel is 0.
struct PlacementCase {
    const char* name;
    std::int32_t width, height;
    int left, top, right, bottom; // the screen pixels the picture covers, inclusive
    std::int32_t topLeftX, topLeftY; // the source pixel shown at the first covered screen pixel
};

constexpr PlacementCase kPlacements[] = {
    {"Logo", 320, 400, 0, 0, 639, 479, 0, 0},
    {"Quarter", 160, 200, 160, 120, 479, 359, 0, 0},
    {"OnePixel", 1, 1, 319, 239, 320, 239, 0, 0},
    {"OddHeight", 10, 3, 310, 238, 329, 241, 0, 0}, // 3 rows become 4
    // Larger than the screen: the middle is shown (scaled 1280 x 720, starting
    // at -320, -120; screen row 0 is scaled row 120, source row 100).
    {"Larger", 640, 600, 0, 0, 639, 479, 160, 100},
    // 401 rows scale to 481, one more than the screen: like any odd
    // difference it rounds towards the top, so screen row 0 is scaled row 1.
    {"TallerByAnOddRow", 320, 401, 0, 0, 639, 479, 0, 1},
    {"Wide", 1000, 10, 0, 234, 639, 245, 340, 0},
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, CentredOnEntryZero)
{
    const PlacementCase& c = GetParam();
    const BootScreen s = ScreenOf(testing::LogoFile(c.width, c.height, 0, [](std::int32_t x, std::int32_t y) {
        return static_cast<std::uint8_t>(1 + (x + y) % 255);
    }));
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const bool inside = x >= c.left && x <= c.right && y >= c.top && y <= c.bottom;
            ASSERT_EQ(At(s, x, y) != 0, inside) << "screen pixel " << x << ", " << y;
        }
    EXPECT_EQ(At(s, c.left, c.top), 1 + (c.topLeftX + c.topLeftY) % 255);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlacementTest, ::testing::ValuesIn(kPlacements),
                         [](const auto& info) { return std::string(info.param.name); });

// biClrImportant decides the rotation: only 1 to 255 in an 8-bit file.
struct AnimationCase {
    const char* name;
    std::uint16_t bpp;
    std::uint32_t clrImportant;
    std::int32_t first, frames;
};

constexpr AnimationCase kAnimations[] = {
    {"Zero", 8, 0, 0, 1},
    {"One", 8, 1, 1, 255},
    {"Default236", 8, 236, 236, 20},
    {"OnlyTheLastEntry", 8, 255, 255, 1},
    {"TwoFiftySix", 8, 256, 0, 1},
    {"Huge", 8, 0xFFFFFFFF, 0, 1},
    // Other depths never animate, whatever the field says.
    {"FourBit", 4, 5, 0, 1},
    {"TrueColour", 24, 236, 0, 1},
};

class AnimationTest : public ::testing::TestWithParam<AnimationCase> {};

TEST_P(AnimationTest, ClrImportantSetsTheFirstAnimatedEntry)
{
    const AnimationCase& c = GetParam();
    Bytes file;
    if (c.bpp == 8) {
        file = testing::StandardLogo(c.clrImportant);
    } else {
        // 4 x 2 pixels; 4-bit rows of 2 bytes and 24-bit rows of 12, each filled to 4.
        const std::size_t stride = c.bpp == 4 ? 4 : 12;
        const std::vector<std::uint32_t> colours(c.bpp == 4 ? 16 : 0, 0x123456);
        file = testing::BmpFile(4, 2, c.bpp, colours, Bytes(2 * stride, 0x11));
        testing::PutU32(file, 50, c.clrImportant);
    }
    const BootScreen s = ScreenOf(file);
    EXPECT_EQ(s.FirstAnimated(), c.first);
    EXPECT_EQ(s.FrameCount(), c.frames);
    if (c.first == 0 || c.first == 255) {
        EXPECT_EQ(s.PaletteOf(1), s.BasePalette()) << "a still logo's palette never changes";
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, AnimationTest, ::testing::ValuesIn(kAnimations),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BootScreenPalette, TheFileColoursAreFrameZero)
{
    const BootScreen s = ScreenOf(testing::StandardLogo(236));
    for (std::uint32_t i = 0; i < 256; ++i)
        ASSERT_EQ(s.BasePalette()[i], EntryColour(i)) << "entry " << i;
    EXPECT_EQ(s.PaletteOf(0), s.BasePalette());
}

TEST(BootScreenPalette, SixEntriesRotateOneStepAFrameAndComeBackAfterSix)
{
    BootPalette base{};
    for (std::uint32_t i = 0; i < 256; ++i)
        base[i] = EntryColour(i);
    // Entries 250 to 255 hold colours A to F; frame n shows them shifted by n.
    const std::uint32_t A = base[250], B = base[251], C = base[252];
    const std::uint32_t D = base[253], E = base[254], F = base[255];
    const std::array<std::array<std::uint32_t, 6>, 7> expected = {{
        {A, B, C, D, E, F},
        {B, C, D, E, F, A}, // each takes the next one's colour, 255 the old first
        {C, D, E, F, A, B},
        {D, E, F, A, B, C},
        {E, F, A, B, C, D},
        {F, A, B, C, D, E},
        {A, B, C, D, E, F}, // a full cycle: 256 - 250 frames
    }};
    BootPalette stepped = base;
    for (std::size_t n = 0; n < expected.size(); ++n) {
        for (std::size_t i = 0; i < 250; ++i)
            ASSERT_EQ(stepped[i], base[i]) << "entry " << i << " below the first moved in frame " << n;
        for (std::size_t i = 0; i < 6; ++i)
            ASSERT_EQ(stepped[250 + i], expected[n][i]) << "entry " << 250 + i << " in frame " << n;
        StepPalette(stepped, 250);
    }

    // The same frames straight from a logo, and frame numbers past the cycle.
    const BootScreen s = ScreenOf(testing::StandardLogo(250));
    ASSERT_EQ(s.FrameCount(), 6);
    for (std::int64_t n : {0, 1, 3, 5, 6, 7, 13, -1}) {
        const BootPalette p = s.PaletteOf(n);
        const std::size_t row = static_cast<std::size_t>((n % 6 + 6) % 6);
        for (std::size_t i = 0; i < 6; ++i)
            ASSERT_EQ(p[250 + i], expected[row][i]) << "entry " << 250 + i << " of frame " << n;
        for (std::size_t i = 0; i < 250; ++i)
            ASSERT_EQ(p[i], base[i]) << "entry " << i << " of frame " << n;
    }
}

TEST(BootScreenPalette, StepPaletteLeavesAStillPaletteAlone)
{
    BootPalette p{};
    for (std::uint32_t i = 0; i < 256; ++i)
        p[i] = EntryColour(i);
    const BootPalette before = p;
    StepPalette(p, 0);
    StepPalette(p, 256);
    StepPalette(p, -3);
    EXPECT_EQ(p, before);
}

// The frame a timer shows, for a 20-frame cycle at 18 steps a second.
TEST(BootScreenTiming, FrameAtCountsWholeStepsAndWraps)
{
    const BootScreen s = ScreenOf(testing::StandardLogo(236));
    constexpr struct {
        std::int64_t ms;
        std::int32_t frame;
    } kCases[] = {
        {-5, 0}, {0, 0}, {55, 0}, {56, 1}, // a step is 55.5 ms
        {1000, 18}, {1111, 19}, {1112, 0}, // 20 steps take 1111.1 ms
        {100'000'000'000, 0},              // 1.8e9 steps: a whole number of cycles
    };
    for (const auto& c : kCases)
        EXPECT_EQ(s.FrameAt(c.ms, 18), c.frame) << c.ms << " ms";
    // No overflow on the way (the sanitizer build traps one).
    const std::int32_t last = s.FrameAt(std::numeric_limits<std::int64_t>::max(), 18);
    EXPECT_TRUE(last >= 0 && last < 20) << last;
    EXPECT_EQ(ScreenOf(testing::StandardLogo(0)).FrameAt(5000, 18), 0);
}

// A true-colour picture is shown still, with its own colours when they fit.
TEST(BootScreenTrueColour, FewColoursKeepTheirOwnEntriesBesideBlack)
{
    // 2 x 2, 24-bit, rows bottom-up: bottom red, white; top blue, red.
    const Bytes rows = {0, 0, 255, 255, 255, 255, 0, 0, /*top*/ 255, 0, 0, 0, 0, 255, 0, 0};
    const BootScreen s = ScreenOf(testing::BmpFile(2, 2, 24, {}, rows));
    const BootPalette& p = s.BasePalette();
    EXPECT_EQ(p[0], 0u) << "the border is black";
    // Centred: scaled 4 x 2 at 318, 239.
    EXPECT_EQ(At(s, 317, 239), 0);
    EXPECT_EQ(p[At(s, 318, 239)], 0x0000FFu);
    EXPECT_EQ(p[At(s, 320, 239)], 0xFF0000u);
    EXPECT_EQ(p[At(s, 318, 240)], 0xFF0000u);
    EXPECT_EQ(p[At(s, 321, 240)], 0xFFFFFFu);
}

TEST(BootScreenTrueColour, ManyColoursAreRoundedToSixLevels)
{
    // 32 x 16 pixels of 512 colours: (8x, 16y, 77) at (x, y), top-down.
    const std::int32_t w = 32, h = 16;
    Bytes rows;
    for (std::int32_t r = 0; r < h; ++r) { // bottom row first
        const std::int32_t y = h - 1 - r;
        for (std::int32_t x = 0; x < w; ++x)
            rows.insert(rows.end(),
                        {77, static_cast<std::uint8_t>(16 * y), static_cast<std::uint8_t>(8 * x)});
    }
    const BootScreen s = ScreenOf(testing::BmpFile(w, h, 24, {}, rows));
    const BootPalette& p = s.BasePalette();
    EXPECT_EQ(p[0], 0u);
    // Screen origin of the picture: (640 - 64) / 2, (480 - 19) / 2.
    const int left = 288, top = 230;
    EXPECT_EQ(At(s, left - 1, top), 0);
    // (0, 0, 77): blue 77 is nearer to 102 than to 51. (248, 240, 77) at source
    // (31, 15), on the last scaled row, 18: 255, 255, 102.
    EXPECT_EQ(p[At(s, left, top)], 0x000066u);
    EXPECT_EQ(p[At(s, left + 63, top + 18)], 0xFFFF66u);
    EXPECT_EQ(s.FirstAnimated(), 0);
}

} // namespace
} // namespace quillmere
