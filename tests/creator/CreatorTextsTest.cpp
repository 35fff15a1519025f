// What the Logo Creator's strip says.
#include "creator/CreatorTexts.h"

#include <gtest/gtest.h>

namespace quillmere {
namespace {

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
