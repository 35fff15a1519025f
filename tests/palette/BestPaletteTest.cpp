// The best-quality reduction: the nearest-entry search, the palette from every
// pixel and the remapping that keeps flat areas flat.
#include "imaging/cDIB.h"
#include "palette/ColourHistogram.h"
#include "palette/KMeans.h"
#include "palette/MedianCut.h"
#include "palette/NearestEntry.h"
#include "palette/cDIBDither.h"
#include "palette/cDIBPal.h"
#include "support/SurfaceHelpers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace quillmere {
namespace {

using testing::GetPixels;
using testing::SetPixels;

std::uint32_t Word(int r, int g, int b) { return (std::uint32_t(r) << 16) | (std::uint32_t(g) << 8) | std::uint32_t(b); }

std::int32_t BruteNearest(const std::vector<Colour>& entries, const Colour& q)
{
    std::int32_t best = 0;
    for (std::size_t i = 1; i < entries.size(); ++i)
        if (Distance2(q, entries[i]) < Distance2(q, entries[static_cast<std::size_t>(best)]))
            best = static_cast<std::int32_t>(i);
    return best;
}

// The cells keep only some entries: any entry they wrongly leave out shows as
// a different answer from the full search, somewhere.
TEST(NearestEntry, AgreesWithASearchOfEveryEntry)
{
    std::mt19937 random(5);
    const auto component = [&random] { return static_cast<std::int32_t>(random() & 0xFF); };
    struct Case {
        const char* name;
        std::vector<Colour> entries;
    };
    std::vector<Colour> spread(256), clustered(256), twins;
    for (Colour& c : spread)
        c = {component(), component(), component()};
    // Entries crowded into one corner: far colours have many candidates.
    for (Colour& c : clustered)
        c = {component() / 8, component() / 8, 200 + component() / 8};
    // Equal entries: the lower number must win.
    twins = {{10, 10, 10}, {200, 0, 0}, {10, 10, 10}, {0, 0, 255}, {200, 0, 0}};
    const Case cases[] = {{"spread", spread}, {"clustered", clustered}, {"twins", twins}, {"one", {{7, 8, 9}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NearestEntry search(c.entries);
        std::int32_t guess = 0;
        for (int i = 0; i < 20000; ++i) {
            const Colour q{component(), component(), component()};
            const std::int32_t want = BruteNearest(c.entries, q);
            ASSERT_EQ(search.Find(q), want) << q.r << "," << q.g << "," << q.b;
            // Any guess gives the same answer.
            ASSERT_EQ(search.Find(q, guess), want) << q.r << "," << q.g << "," << q.b << " guess " << guess;
            guess = (guess + 7) % search.Count();
        }
    }
}

double SquaredError(const std::vector<WeightedColour>& colours, const std::vector<Colour>& entries)
{
    double sum = 0;
    for (const WeightedColour& c : colours)
        sum += double(c.count) * Distance2(c.colour, entries[static_cast<std::size_t>(BruteNearest(entries, c.colour))]);
    return sum;
}

TEST(BestPalette, MedianCutThenKMeansLowerTheError)
{
    std::mt19937 random(9);
    std::vector<WeightedColour> colours;
    for (int i = 0; i < 5000; ++i)
        colours.push_back({{static_cast<std::int32_t>(random() & 0xFF), static_cast<std::int32_t>(random() % 64),
                            static_cast<std::int32_t>(random() & 0x7F)},
                           1 + static_cast<std::uint32_t>(random() % 20)});
    std::vector<Colour> entries = MedianCut(colours, 256);
    ASSERT_EQ(entries.size(), 256u);
    const double cut = SquaredError(colours, entries);
    std::vector<ColourCell> cells;
    for (const WeightedColour& c : colours)
        cells.push_back({c.colour, c.count, std::uint64_t{c.count} * static_cast<std::uint64_t>(c.colour.r),
                         std::uint64_t{c.count} * static_cast<std::uint64_t>(c.colour.g),
                         std::uint64_t{c.count} * static_cast<std::uint64_t>(c.colour.b)});
    RefineByKMeans(cells, entries, 3);
    const double refined = SquaredError(colours, entries);
    EXPECT_LT(refined, cut);
}

// Colours far apart and close together (steps of 1 in blue), scattered over 64 x 48 pixels.
std::vector<std::uint32_t> Scattered(std::int32_t colours)
{
    std::vector<std::uint32_t> words(64 * 48);
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::uint32_t k = static_cast<std::uint32_t>((i * 37) % static_cast<std::size_t>(colours));
        words[i] = colours == 1 ? Word(90, 140, 33) : Word(int(k * 61 % 256), int(k / 16 * 9), int(k));
    }
    return words;
}

// A picture of at most 256 colours comes back unchanged: its colours are the
// palette, and no pixel takes another entry than its own colour's.
TEST(BestPalette, PictureOfFewColoursComesBackExactly)
{
    struct Case {
        const char* name;
        std::int32_t W, H, colours;
        std::vector<std::uint32_t> words;
    };
    const Case cases[] = {
        {"one flat colour", 64, 48, 1, Scattered(1)},
        {"two", 64, 48, 2, Scattered(2)},
        {"exactly 256", 64, 48, 256, Scattered(256)},
        // Equal colours apart, beside one that shares their low 12 bits: the
        // sort must bring the equal ones together.
        {"low 12 bits shared", 3, 1, 2, {0x000ABC, 0x123ABC, 0x000ABC}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int32_t W = c.W, H = c.H;
        const std::vector<std::uint32_t>& words = c.words;
        cDIB dib;
        SetPixels(dib, W, H, words);
        // One histogram entry a colour.
        EXPECT_EQ(ColourHistogram(dib).size(), static_cast<std::size_t>(c.colours));
        cDIBPal pal;
        pal.CreateBest(dib);
        ASSERT_EQ(pal.Count(), 256);
        cDIBDither dither;
        dither.DitherToBestPalette(dib, pal);

        EXPECT_EQ(GetPixels(dib), words);
        const std::vector<std::uint8_t> ids = dither.PalID();
        std::set<std::uint8_t> used(ids.begin(), ids.end());
        EXPECT_EQ(used.size(), static_cast<std::size_t>(c.colours));
        for (std::int32_t y = 0; y < H; ++y)
            for (std::int32_t x = 0; x < W; ++x) {
                const std::uint8_t i = ids[static_cast<std::size_t>(H - 1 - y) * W + static_cast<std::size_t>(x)];
                ASSERT_EQ(Word(pal.rgbR(i), pal.rgbG(i), pal.rgbB(i)), words[static_cast<std::size_t>(y) * W + x])
                    << x << ", " << y;
            }
    }
}

// A flat strip beside a gradient of far more than 256 colours close around
// the flat colour: the strip shows one entry, its own colour, with no noise
// from the error diffused in the gradient.
TEST(BestPalette, FlatAreaBesideAGradientStaysOneEntry)
{
    const std::int32_t W = 200, H = 120;
    std::vector<std::uint32_t> words(static_cast<std::size_t>(W) * H);
    for (std::int32_t y = 0; y < H; ++y)
        for (std::int32_t x = 0; x < W; ++x)
            words[static_cast<std::size_t>(y) * W + x] =
                x < 170 ? Word(110 + x / 8, 86 + y / 6, 60 + (x + y) / 14) : Word(120, 96, 70); // the flat strip
    cDIB dib;
    SetPixels(dib, W, H, words);
    cDIBPal pal;
    pal.CreateBest(dib);
    cDIBDither dither;
    dither.DitherToBestPalette(dib, pal);

    const std::vector<std::uint8_t> ids = dither.PalID();
    const std::vector<std::uint32_t> out = GetPixels(dib);
    std::set<std::uint8_t> flat, gradient;
    for (std::int32_t y = 0; y < H; ++y)
        for (std::int32_t x = 0; x < W; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x);
            const std::uint8_t id = ids[static_cast<std::size_t>(H - 1 - y) * W + static_cast<std::size_t>(x)];
            (x < 170 ? gradient : flat).insert(id);
            if (x >= 170) {
                ASSERT_EQ(out[i], Word(120, 96, 70)) << x << ", " << y;
            }
        }
    EXPECT_EQ(flat.size(), 1u);
    EXPECT_GT(gradient.size(), 100u);
}

// The remapping diffuses error: across a gentle ramp, the mean of the shown
// colours follows the ramp more closely than the nearest entries alone do.
TEST(BestPalette, CalmGradientIsDitheredToItsMeanColour)
{
    const std::int32_t W = 256, H = 64;
    std::vector<std::uint32_t> words(static_cast<std::size_t>(W) * H);
    for (std::int32_t y = 0; y < H; ++y)
        for (std::int32_t x = 0; x < W; ++x)
            words[static_cast<std::size_t>(y) * W + x] = Word(x, x, x);
    cDIB dib;
    SetPixels(dib, W, H, words);
    // A coarse palette of 16 greys: only diffusion can show the levels between.
    cDIBPal pal;
    pal.CreateGreys_016();
    cDIBDither dither;
    dither.DitherToBestPalette(dib, pal);
    const std::vector<std::uint32_t> out = GetPixels(dib);
    double diffusedError = 0, nearestError = 0;
    for (std::int32_t x = 0; x < W; ++x) {
        double mean = 0;
        for (std::int32_t y = 0; y < H; ++y)
            mean += out[static_cast<std::size_t>(y) * W + static_cast<std::size_t>(x)] & 0xFF;
        mean /= H;
        const double nearest = 17.0 * ((x + 8) / 17);
        diffusedError += (mean - x) * (mean - x);
        nearestError += (nearest - x) * (nearest - x);
    }
    EXPECT_LT(diffusedError, nearestError / 4);
}

} // namespace
} // namespace quillmere
