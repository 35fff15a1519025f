// What the Logo Creator's strip says, and how a long text gives way to its
// field. Widths here are one pixel a character, so the cuts can be read off.
#include "creator/CreatorTexts.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

int Characters(std::string_view text)
{
    int n = 0;
    for (const char c : text)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

// The folders give way in their middle; the words and the file's name never.
TEST(CreatorTextsTest, PathMessagesShortenOnlyTheirFolders)
{
    const PathMessage broken = CannotOpenMessage("/home/ann/Pictures/broken.jpg", "the JPEG file ends early");
    const struct {
        PathMessage message;
        int room;
        const char* shown;
    } cases[] = {
        {broken, 67, "Cannot open /home/ann/Pictures/broken.jpg: the JPEG file ends early"},
        {broken, 60, "Cannot open /home\u2026tures/broken.jpg: the JPEG file ends early"},
        {broken, 50, "Cannot open \u2026/broken.jpg: the JPEG file ends early"},
        // Too narrow for the name and the reason: they stay whole, the field cuts them.
        {broken, 30, "Cannot open \u2026/broken.jpg: the JPEG file ends early"},
        {CannotOpenMessage("broken.jpg", "not a JPEG file"), 10, "Cannot open broken.jpg: not a JPEG file"},
        // Cut between characters, never inside one.
        {SavedMessage("/home/\u00e5sa/Bilder/\u00f6.jpg"), 28, "Saved - /home/\u00e5\u2026Bilder/\u00f6.jpg"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitPathMessage(c.message, Characters, c.room), c.shown) << c.room;
}

// The choices after "Create Logo": the whole words, else the short ones,
// else as many short ones as fit and an ellipsis for the rest.
TEST(CreatorTextsTest, ChoicesGiveWayToShortWords)
{
    ConversionOptions bestPad;
    bestPad.quality = LogoQuality::Best;
    bestPad.fit = LogoFit::Pad;
    ConversionOptions keptBlack;
    keptBlack.animation = LogoAnimationChoice::Keep;
    keptBlack.border = BorderChoice::Colour;
    const struct {
        ConversionOptions options;
        int room;
        const char* shown;
    } cases[] = {
        {bestPad, 9, "best, pad"},
        {keptBlack, 28, "keep animation, black border"},
        {keptBlack, 27, "kept, black"},
        {keptBlack, 10, "kept, \u2026"},
        {keptBlack, 3, "\u2026"},
        {ConversionOptions{}, 0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitOptionsTag(c.options, Characters, c.room), c.shown) << c.room;
}

TEST(CreatorTextsTest, TagNamesWhatDiffersFromTheDefault)
{
    const auto with = [](auto change) {
        ConversionOptions o;
        change(o);
        return o;
    };
    const struct {
        ConversionOptions options;
        const char* tag;
    } cases[] = {
        {ConversionOptions{}, ""},
        {with([](ConversionOptions& o) { o.animation = LogoAnimationChoice::None; }), ""},
        {with([](ConversionOptions& o) {
             o.quality = LogoQuality::Best;
             o.animation = LogoAnimationChoice::Band;
         }),
         "best, band"},
        {with([](ConversionOptions& o) { o.animation = LogoAnimationChoice::Keep; }), "keep animation"},
        {with([](ConversionOptions& o) {
             o.fit = LogoFit::Crop;
             o.border = BorderChoice::Edge;
         }),
         "crop, edge border"},
        {with([](ConversionOptions& o) {
             o.fit = LogoFit::Pad;
             o.animation = LogoAnimationChoice::Keep;
             o.border = BorderChoice::Colour;
         }),
         "pad, keep animation, black border"},
        {with([](ConversionOptions& o) {
             o.border = BorderChoice::Colour;
             o.borderColour = 0x0A2B3C;
         }),
         "#0a2b3c border"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OptionsTag(c.options), c.tag);
}

} // namespace
} // namespace quillmere
