// The choices of "Create Logo" without their menu.
#include "creator/ConversionChoices.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace quillmere {
namespace {

// Keep is no choice without an animated picture: chosen then, "Create Logo"
// would be asked to keep an animation it does not have.
TEST(ConversionChoicesTest, KeepIsNoChoiceWithoutAnAnimatedPicture)
{
    const std::map<std::string, std::string, std::less<>> stored = {{"Animation", "band"}};
    ConversionChoices choices([&stored](std::string_view key) {
        const auto it = stored.find(key);
        return it == stored.end() ? std::string() : it->second;
    });
    EXPECT_EQ(choices.Choose(LogoAnimationChoice::Keep), std::nullopt);
    EXPECT_EQ(choices.Options().animation, LogoAnimationChoice::Band);

    const auto part = std::make_shared<AnimatedPart>();
    choices.AnimatedPicture(part);
    EXPECT_EQ(choices.Choose(LogoAnimationChoice::Band), (StoredChoice{"Animation", "band"}));
    EXPECT_EQ(choices.Choose(LogoAnimationChoice::Keep), std::nullopt);
    EXPECT_EQ(choices.Options().kept, part);

    choices.AnimatedPicture(nullptr);
    EXPECT_EQ(choices.Options().animation, LogoAnimationChoice::Band);
    EXPECT_EQ(choices.Options().kept, nullptr);
    EXPECT_EQ(choices.Choose(LogoAnimationChoice::Keep), std::nullopt);
    EXPECT_EQ(choices.Options().animation, LogoAnimationChoice::Band);
}

} // namespace
} // namespace quillmere
