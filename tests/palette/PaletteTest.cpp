#include "imaging/Errors.h"
#include "palette/cDIBPal.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace quillmere {
namespace {

struct Rgb {
    std::uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << '(' << int(c.r) << ", " << int(c.g) << ", " << int(c.b) << ')';
}

Rgb Entry(const cDIBPal& pal, int i)
{
    const auto e = static_cast<std::uint8_t>(i);
    return {pal.rgbR(e), pal.rgbG(e), pal.rgbB(e)};
}

struct FixedPaletteCase {
    const char* name;
    void (cDIBPal::*create)();
    std::int32_t count;
    bool grey;
    std::vector<std::pair<int, Rgb>> samples;
};

void PrintTo(const FixedPaletteCase& c, std::ostream* os) { *os << c.name; }

const FixedPaletteCase kFixedPalettes[] = {
    {"BlackAndWhite", &cDIBPal::CreateBlackAndWhite, 2, true, {{0, {0, 0, 0}}, {1, {255, 255, 255}}}},
    {"EGA", &cDIBPal::CreateEGA, 16, false,
     {{0, {0, 0, 0}}, {3, {128, 128, 0}}, {7, {192, 192, 192}}, {8, {128, 128, 128}}, {9, {255, 0, 0}},
      {14, {0, 255, 255}}, {15, {255, 255, 255}}}},
    // Red changes fastest, blue slowest; entries past the cube stay black.
    {"Halftone", &cDIBPal::CreateHalftone, 256, false,
     {{1, {64, 0, 0}}, {5, {0, 64, 0}}, {25, {0, 0, 64}}, {31, {64, 64, 64}}, {124, {255, 255, 255}},
      {125, {0, 0, 0}}, {255, {0, 0, 0}}}},
    {"Websafe", &cDIBPal::CreateWebsafe, 256, false,
     {{7, {192, 192, 192}}, {8, {51, 0, 0}}, {9, {102, 0, 0}}, {215, {204, 255, 255}}, {216, {0, 0, 0}},
      {217, {8, 8, 8}}, {247, {248, 248, 248}}, {248, {128, 128, 128}}, {255, {255, 255, 255}}}},
    {"Greys_016", &cDIBPal::CreateGreys_016, 16, true, {{1, {17, 17, 17}}, {15, {255, 255, 255}}}},
    {"Greys_256", &cDIBPal::CreateGreys_256, 256, true, {{0, {0, 0, 0}}, {200, {200, 200, 200}}}},
};

class FixedPalette : public ::testing::TestWithParam<FixedPaletteCase> {};

TEST_P(FixedPalette, HasItsEntriesAndALookup)
{
    const FixedPaletteCase& c = GetParam();
    cDIBPal pal;
    pal.CreateGreys_016(); // a builder replaces whatever was there
    (pal.*c.create)();
    EXPECT_EQ(pal.Count(), c.count);
    EXPECT_NE(pal.hPal(), nullptr);
    EXPECT_EQ(pal.IsGreyScale(), c.grey);
    for (const auto& [i, rgb] : c.samples)
        EXPECT_EQ(Entry(pal, i), rgb) << "entry " << i;
    for (int i = 0; i < pal.Count(); ++i)
        EXPECT_EQ(pal.PalettePtr()[4 * i + 3], 0) << "reserved byte of entry " << i;
}

INSTANTIATE_TEST_SUITE_P(All, FixedPalette, ::testing::ValuesIn(kFixedPalettes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Websafe, HoldsEveryCubeColourOnceBesidesTheCorners)
{
    cDIBPal pal;
    pal.CreateWebsafe();
    std::map<std::array<int, 3>, int> seen;
    for (int i = 0; i < 256; ++i) {
        const Rgb c = Entry(pal, i);
        ++seen[{c.r, c.g, c.b}];
    }
    for (int r = 0; r <= 255; r += 51)
        for (int g = 0; g <= 255; g += 51)
            for (int b = 0; b <= 255; b += 51) {
                const bool corner = (r % 255 == 0) && (g % 255 == 0) && (b % 255 == 0);
                const int n = seen[{r, g, b}];
                if (corner)
                    EXPECT_GE(n, 1) << r << ',' << g << ',' << b;
                else
                    EXPECT_EQ(n, 1) << r << ',' << g << ',' << b;
            }
}

TEST(IsGreyScale, NeedsEntriesAllGrey)
{
    cDIBPal pal;
    EXPECT_FALSE(pal.IsGreyScale());
    std::uint8_t* p = pal.InitializePalette(1);
    EXPECT_TRUE(pal.IsGreyScale()); // one black entry
    p = pal.InitializePalette(3);
    p[4 * 2 + 1] = 1; // green of the last entry
    EXPECT_FALSE(pal.IsGreyScale());
}

struct ClosestCase {
    const char* name;
    void (cDIBPal::*create)();
    Rgb colour;
    int entry;
};

void PrintTo(const ClosestCase& c, std::ostream* os) { *os << c.name; }

const ClosestCase kClosest[] = {
    {"WhiteOnBlackAndWhite", &cDIBPal::CreateBlackAndWhite, {255, 255, 255}, 1},
    {"DarkGreyOnBlackAndWhite", &cDIBPal::CreateBlackAndWhite, {100, 100, 100}, 0},
    // (32, 0, 0) lies as near entry 0 as entry 1 = (64, 0, 0): the lower wins.
    {"TieGoesToTheLowerEntry", &cDIBPal::CreateHalftone, {32, 0, 0}, 0},
    {"JustPastTheTie", &cDIBPal::CreateHalftone, {33, 0, 0}, 1},
    // Black is also in entries 125-255.
    {"DuplicateGoesToTheFirst", &cDIBPal::CreateHalftone, {0, 0, 0}, 0},
    {"NearestByAllThreeComponents", &cDIBPal::CreateEGA, {200, 20, 190}, 13},
};

class ClosestColor : public ::testing::TestWithParam<ClosestCase> {};

TEST_P(ClosestColor, FindsTheNearestEntry)
{
    const ClosestCase& c = GetParam();
    cDIBPal pal;
    (pal.*c.create)();
    std::uint8_t r = 1, g = 1, b = 1, entry = 99;
    pal.ClosestColor(c.colour.r, c.colour.g, c.colour.b, r, g, b, entry);
    EXPECT_EQ(entry, c.entry);
    EXPECT_EQ((Rgb{r, g, b}), Entry(pal, c.entry));
}

INSTANTIATE_TEST_SUITE_P(Cases, ClosestColor, ::testing::ValuesIn(kClosest),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ClosestColorExact, EveryEntryFindsItselfOrItsFirstTwin)
{
    cDIBPal pal;
    pal.CreateWebsafe();
    for (int i = 0; i < 256; ++i) {
        const Rgb c = Entry(pal, i);
        std::uint8_t r, g, b, entry;
        pal.ClosestColor(c.r, c.g, c.b, r, g, b, entry);
        EXPECT_EQ(Entry(pal, entry), c) << "entry " << i;
        EXPECT_LE(entry, i);
    }
}

TEST(PaletteErrors, CallerMistakesAreReported)
{
    cDIBPal pal;
    EXPECT_THROW(pal.PalettePtr(), SubscriptError);
    EXPECT_THROW(pal.InitializePalette(0), Error);
    EXPECT_THROW(pal.InitializePalette(257), Error);
    pal.CreateEGA();
    EXPECT_THROW(pal.rgbR(16), SubscriptError);
    EXPECT_THROW(pal.rgbG(200), SubscriptError);
    EXPECT_THROW(pal.rgbB(16), SubscriptError);
    EXPECT_EQ(pal.rgbB(15), 255);

    pal.Clear();
    EXPECT_EQ(pal.Count(), 0);
    EXPECT_EQ(pal.hPal(), nullptr);
    std::uint8_t r = 7, g = 7, b = 7, entry = 7;
    EXPECT_THROW(pal.ClosestColor(1, 2, 3, r, g, b, entry), OverflowError);
    EXPECT_EQ((Rgb{r, g, b}), (Rgb{7, 7, 7}));
    EXPECT_EQ(entry, 7);

    pal.InitializePalette(2); // entries only: still no lookup
    EXPECT_THROW(pal.ClosestColor(1, 2, 3, r, g, b, entry), OverflowError);
}

TEST(InitializePalette, KeepsTheLookupOfTheLastBuilder)
{
    cDIBPal pal;
    pal.CreateBlackAndWhite();
    std::uint8_t* p = pal.InitializePalette(2);
    EXPECT_EQ(p, pal.PalettePtr());
    EXPECT_NE(pal.hPal(), nullptr);
    p[4 * 1 + 1] = 200; // entry 1 becomes green
    std::uint8_t r, g, b, entry;
    pal.ClosestColor(250, 250, 250, r, g, b, entry);
    EXPECT_EQ(entry, 1); // the lookup still knows white
    EXPECT_EQ((Rgb{r, g, b}), (Rgb{0, 200, 0}));

    // A lookup that knows more entries than there now are cannot answer with them.
    pal.CreateGreys_256();
    pal.InitializePalette(2);
    EXPECT_THROW(pal.ClosestColor(200, 200, 200, r, g, b, entry), SubscriptError);
}

} // namespace
} // namespace quillmere
