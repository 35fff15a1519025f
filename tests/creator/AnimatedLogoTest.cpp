// Animated logos made by the conversion: a moving band, a kept animation, the
// border entry, checked index by index in the written file and in the frames
// the computer would show.
#include "creator/AnimatedLogo.h"
#include "creator/CreateLogo.h"

#include "imaging/cDIB.h"
#include "imaging/decode/PictureLoader.h"
#include "preview/BootScreen.h"
#include "support/PictureFixtures.h"
#include "support/SurfaceHelpers.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// A 24-bit bitmap of W x H whose pixel (x, y), y from the top, is colour(x, y) (0xRRGGBB).
Bytes Bmp24(int W, int H, const std::function<std::uint32_t(int, int)>& colour)
{
    const int stride = (W * 3 + 3) / 4 * 4;
    Bytes rows(static_cast<std::size_t>(stride) * H, 0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const std::uint32_t c = colour(x, y);
            std::uint8_t* p = &rows[static_cast<std::size_t>((H - 1 - y) * stride + x * 3)];
            p[0] = static_cast<std::uint8_t>(c);
            p[1] = static_cast<std::uint8_t>(c >> 8);
            p[2] = static_cast<std::uint8_t>(c >> 16);
        }
    return testing::BmpFile(W, H, 24, {}, rows);
}

// Gradients with hard edges, darker at the top left.
std::uint32_t PhotoLike(int x, int y)
{
    const auto r = static_cast<std::uint32_t>(x * 255 / 400);
    const auto g = static_cast<std::uint32_t>(y * 255 / 300);
    const std::uint32_t b = ((x / 40 + y / 30) % 2) ? 200 : 40;
    return r << 16 | g << 8 | b;
}

// The written logo: its animation byte, top-down indices and colours.
struct Logo {
    DecodedPicture picture;
    int first() const { return static_cast<int>(picture.ClrImportant); }
    int Index(int x, int y) const { return picture.Indices[static_cast<std::size_t>((399 - y) * 320 + x)]; }
    std::uint32_t Entry(int i) const
    {
        const std::uint8_t* e = &picture.ColorTable[static_cast<std::size_t>(i) * 4];
        return std::uint32_t{e[2]} << 16 | std::uint32_t{e[1]} << 8 | e[0];
    }
};

class AnimatedConversion : public ::testing::Test {
protected:
    Logo Convert(const Bytes& input, const ConversionOptions& options)
    {
        testing::WriteBytes(dir.Path() / "in.bmp", input);
        ConvertPictureFile(dir.Path() / "in.bmp", out(), nullptr, nullptr, nullptr, {}, options);
        return {LoadPictureFile(out())};
    }
    fs::path out() const { return dir.Path() / "out.sys"; }
    TempDir dir;
};

// The band's rows hold the ramp, each animated entry over its stretch of
// every row, and nothing else; the rows above use none of those entries. At
// start-up each frame moves the band's colours one stretch along.
TEST_F(AnimatedConversion, TheBandUsesEveryAnimatedEntryAndMovesOneStepAFrame)
{
    struct Case {
        LogoQuality quality;
        int height, entries;
        std::vector<std::uint32_t> colours;
    };
    const Case cases[] = {
        {LogoQuality::Exact, 16, 20, {}},
        {LogoQuality::Best, 16, 20, {}},
        {LogoQuality::Exact, 1, 2, {0xFF0000, 0x0000FF}},
        {LogoQuality::Best, 100, 64, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080, 0x123456, 0xFEDCBA}},
        {LogoQuality::Exact, 7, 3, {0x102030, 0xF0E0D0}},
    };
    const Bytes photo = Bmp24(400, 300, PhotoLike);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(NameOf(c.quality)) + " " + std::to_string(c.height) + " rows, " +
                     std::to_string(c.entries) + " entries");
        ConversionOptions options;
        options.quality = c.quality;
        options.animation = LogoAnimationChoice::Band;
        options.band = {c.height, c.entries, c.colours};
        const Logo logo = Convert(photo, options);
        const int first = 256 - c.entries;
        ASSERT_EQ(logo.first(), first);

        const int top = 400 - c.height;
        int wrong = 0;
        for (int y = 0; y < 400; ++y)
            for (int x = 0; x < 320; ++x) {
                const int index = logo.Index(x, y);
                const bool ok = y < top ? index < first : index == first + x * c.entries / 320;
                wrong += ok ? 0 : 1;
            }
        EXPECT_EQ(wrong, 0);
        if (!c.colours.empty()) {
            const std::vector<std::uint32_t> ramp = BandRamp(c.colours, c.entries);
            for (int j = 0; j < c.entries; ++j)
                EXPECT_EQ(logo.Entry(first + j), ramp[static_cast<std::size_t>(j)]) << j;
            EXPECT_EQ(logo.Entry(first), c.colours[0]); // the cycle starts on the first colour
        }

        const BootScreen screen(logo.picture);
        ASSERT_EQ(screen.FirstAnimated(), first);
        for (int frame = 0; frame <= c.entries; ++frame) {
            const BootPalette shown = screen.PaletteOf(frame);
            for (int x = 0; x < 320; ++x) {
                const int stretch = x * c.entries / 320;
                ASSERT_EQ(shown[static_cast<std::size_t>(logo.Index(x, 399))],
                          screen.BasePalette()[static_cast<std::size_t>(first + (stretch + frame) % c.entries)])
                    << "frame " << frame << ", column " << x;
            }
        }
    }
}

// The default cycle runs from the picture's darkest palette colour to its
// brightest and back; a picture of one colour gets black and white, so the
// band still moves.
TEST_F(AnimatedConversion, TheDefaultBandRunsFromDarkestToBrightest)
{
    ConversionOptions options;
    options.animation = LogoAnimationChoice::Band;
    options.quality = LogoQuality::Best; // a two-colour picture keeps its own colours
    const Logo twoColours =
        Convert(Bmp24(320, 400, [](int x, int) { return x < 160 ? 0x204060u : 0xC0E0F0u; }), options);
    EXPECT_EQ(twoColours.Entry(236), 0x204060u);
    EXPECT_EQ(twoColours.Entry(246), 0xC0E0F0u);
    const Logo flat = Convert(Bmp24(320, 400, [](int, int) { return 0x336699u; }), options);
    EXPECT_EQ(flat.Entry(236), 0x000000u);
    EXPECT_EQ(flat.Entry(246), 0xFFFFFFu);
}

// Keeping an animation: every pixel of an animated entry keeps its index, the
// animated entries keep their colours, the byte stays; the rest is reduced
// into the entries below, after the border entry when one is asked for.
TEST_F(AnimatedConversion, KeepingKeepsTheAnimatedPixelsAndEntries)
{
    const Bytes input = testing::AnimatedLogoFile(236, 16);
    const DecodedPicture original = DecodePicture(input, "in.bmp");
    struct Case {
        LogoQuality quality;
        LogoAnimationChoice animation;
        BorderChoice border;
    };
    const Case cases[] = {
        {LogoQuality::Exact, LogoAnimationChoice::Automatic, BorderChoice::Palette},
        {LogoQuality::Exact, LogoAnimationChoice::Keep, BorderChoice::Colour},
        {LogoQuality::Best, LogoAnimationChoice::Keep, BorderChoice::Palette},
        {LogoQuality::Best, LogoAnimationChoice::Automatic, BorderChoice::Edge},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(NameOf(c.quality)) + " " + NameOf(c.animation) + " border " +
                     std::to_string(static_cast<int>(c.border)));
        ConversionOptions options;
        options.quality = c.quality;
        options.animation = c.animation;
        options.border = c.border;
        options.borderColour = 0xABCDEF;
        const Logo logo = Convert(input, options);
        ASSERT_EQ(logo.first(), 236);
        int wrong = 0;
        for (std::size_t i = 0; i < original.Indices.size(); ++i) {
            const std::uint8_t was = original.Indices[i];
            const std::uint8_t now = logo.picture.Indices[i];
            wrong += (was >= 236 ? now == was : now < 236) ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0);
        for (int i = 236; i < 256; ++i)
            EXPECT_EQ(logo.Entry(i), static_cast<std::uint32_t>(i) * 0x010101u) << i;
        if (c.border == BorderChoice::Colour) {
            EXPECT_EQ(logo.Entry(0), 0xABCDEFu);
        }
    }

    // Without an animation to keep, or with a fit that moves pixels, keeping
    // is refused before the output is touched.
    testing::WriteBytes(out(), {'o', 'l', 'd'});
    ConversionOptions keep;
    keep.animation = LogoAnimationChoice::Keep;
    ConversionOptions cropAnimated; // the default keeps an animated logo's animation
    cropAnimated.fit = LogoFit::Crop;
    ConversionOptions keepPadded = keep;
    keepPadded.fit = LogoFit::Pad;
    const std::pair<Bytes, ConversionOptions> refused[] = {
        {testing::AnimatedLogoFile(0, 16), keep},
        {Bmp24(320, 400, PhotoLike), keep},
        {input, cropAnimated},
        {input, keepPadded},
    };
    for (const auto& [picture, options] : refused) {
        testing::WriteBytes(dir.Path() / "in.bmp", picture);
        try {
            ConvertPictureFile(dir.Path() / "in.bmp", out(), nullptr, nullptr, nullptr, {}, options);
            ADD_FAILURE() << "converted";
        } catch (const OptionConflict& e) {
            EXPECT_EQ(std::string(e.what()).rfind((dir.Path() / "in.bmp").string() + ": ", 0), 0u) << e.what();
        }
        EXPECT_EQ(testing::ReadBytes(out()), (Bytes{'o', 'l', 'd'}));
    }

    // Made still on request.
    ConversionOptions none;
    none.animation = LogoAnimationChoice::None;
    EXPECT_EQ(Convert(input, none).first(), 0);
}

// Entry 0, which the screen shows around the logo: exactly the colour given,
// or the mean of the outermost pixels; the picture may still use it.
TEST_F(AnimatedConversion, TheBorderColourIsEntryZero)
{
    // An edge of two colours whose mean is known: 0x102030 along the top and
    // bottom rows, 0x304050 down the sides; the inside is the photo.
    const Bytes framed = Bmp24(320, 400, [](int x, int y) {
        if (y == 0 || y == 399)
            return 0x102030u;
        if (x == 0 || x == 319)
            return 0x304050u;
        return PhotoLike(x, y);
    });
    // 640 pixels of one, 796 of the other: red (640 * 16 + 796 * 48) / 1436
    // = 33.74 -> 34, green 49.74 -> 50, blue 65.74 -> 66.
    for (const LogoQuality quality : {LogoQuality::Exact, LogoQuality::Best}) {
        SCOPED_TRACE(NameOf(quality));
        ConversionOptions options;
        options.quality = quality;
        options.border = BorderChoice::Edge;
        EXPECT_EQ(Convert(framed, options).Entry(0), 0x223242u);
        options.border = BorderChoice::Colour;
        options.borderColour = 0xFF00FF;
        const Logo given = Convert(framed, options);
        EXPECT_EQ(given.Entry(0), 0xFF00FFu);
        EXPECT_EQ(given.first(), 0);
    }
}

TEST(BandRamp, RunsRoundTheCycleRoundingHalvesToEven)
{
    struct Case {
        std::vector<std::uint32_t> keys;
        std::int32_t entries;
        std::vector<std::uint32_t> ramp;
    };
    const Case cases[] = {
        // Half way between 0 and 255 is 127.5: to the even 128.
        {{0x000000, 0xFFFFFF}, 4, {0x000000, 0x808080, 0xFFFFFF, 0x808080}},
        {{0x000000, 0xFFFFFF}, 2, {0x000000, 0xFFFFFF}},
        {{0xFF0000, 0x00FF00, 0x0000FF}, 3, {0xFF0000, 0x00FF00, 0x0000FF}},
        // Two thirds of the way to blue, then a third of the way back:
        // red 255 / 3 = 85 and blue 170 both times.
        {{0xFF0000, 0x0000FF}, 3, {0xFF0000, 0x5500AA, 0x5500AA}},
        // 1 and 2 blended half and half: 1.5 -> 2; 3 and 4: 3.5 -> 4.
        {{0x010300, 0x020400}, 4, {0x010300, 0x020400, 0x020400, 0x020400}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BandRamp(c.keys, c.entries), c.ramp) << c.entries;
}

TEST(EdgeColour, IsTheMeanOfTheOutermostPixelsEachOnce)
{
    struct Case {
        std::int32_t w, h;
        std::vector<std::uint32_t> pixels;
        std::uint32_t mean;
    };
    const Case cases[] = {
        {1, 1, {0x123456}, 0x123456},
        {2, 2, {0x010000, 0x010000, 0x020000, 0x020000}, 0x020000}, // 1.5 -> 2
        {2, 2, {0x030000, 0x030000, 0x020000, 0x020000}, 0x020000}, // 2.5 -> 2
        {2, 2, {0x010000, 0x010000, 0x010000, 0x020000}, 0x010000}, // 1.25 -> 1
        // The middle pixel is not on the edge.
        {3, 3, {0x000002, 0x000002, 0x000002, 0x000002, 0xFFFFFF, 0x000002, 0x000002, 0x000002, 0x000004},
         0x000002},
    };
    for (const Case& c : cases) {
        cDIB dib;
        testing::SetPixels(dib, c.w, c.h, c.pixels);
        EXPECT_EQ(EdgeColour(dib), c.mean) << c.w << " x " << c.h;
    }
}

} // namespace
} // namespace quillmere
