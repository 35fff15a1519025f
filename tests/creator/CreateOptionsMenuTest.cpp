// The choices of "Create Logo"'s context menu on their own: what the settings
// hold, and when keeping an animation is offered.
#include "creator/window/CreateOptionsMenu.h"

#include "desktop/SettingsStore.h"

#include <QAction>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

namespace quillmere {
namespace {

struct StoredCase {
    const char* animation; // nullptr: nothing stored
    const char* border;
    LogoAnimationChoice expectedAnimation;
    BorderChoice expectedBorder;
};

// Each stored value gives its choice, checked in a new menu; anything else,
// a stored "keep" included, is the default.
TEST(CreateOptionsMenuTest, StoredAnimationAndBorderAreReadBack)
{
    const StoredCase cases[] = {
        {nullptr, nullptr, LogoAnimationChoice::None, BorderChoice::Palette},
        {"band", "edge", LogoAnimationChoice::Band, BorderChoice::Edge},
        {"none", "black", LogoAnimationChoice::None, BorderChoice::Colour},
        {"band", "palette", LogoAnimationChoice::Band, BorderChoice::Palette},
        {"keep", "Black", LogoAnimationChoice::None, BorderChoice::Palette},
        {"automatic", "white", LogoAnimationChoice::None, BorderChoice::Palette},
    };
    for (const StoredCase& c : cases) {
        SCOPED_TRACE(std::string(c.animation ? c.animation : "(none)") + " / " + (c.border ? c.border : "(none)"));
        MemorySettingsStore settings;
        if (c.animation)
            settings.Write(QStringLiteral("Animation"), QString::fromLatin1(c.animation));
        if (c.border)
            settings.Write(QStringLiteral("Border"), QString::fromLatin1(c.border));
        const ConversionOptions stored = StoredConversionOptions(settings);
        EXPECT_EQ(stored.animation, c.expectedAnimation);
        EXPECT_EQ(stored.border, c.expectedBorder);
        EXPECT_EQ(stored.borderColour, 0u);

        QPushButton button;
        CreateOptionsMenu menu(settings, button);
        EXPECT_TRUE(menu.Action(c.expectedAnimation)->isChecked());
        EXPECT_TRUE(menu.Action(c.expectedBorder)->isChecked());
        const ConversionOptions options = menu.Options();
        EXPECT_EQ(options.animation, c.expectedAnimation);
        EXPECT_EQ(options.border, c.expectedBorder);
        EXPECT_EQ(options.borderColour, 0u);
        EXPECT_EQ(options.kept, nullptr);
    }
}

// A choice made is stored at once under the name a later menu reads back.
TEST(CreateOptionsMenuTest, ChoicesAreStoredAsTheyAreMade)
{
    MemorySettingsStore settings;
    QPushButton button;
    CreateOptionsMenu menu(settings, button);
    using Entry = QAction* (*)(const CreateOptionsMenu&);
    const struct {
        Entry entry;
        const char* key;
        const char* value;
    } cases[] = {
        {[](const CreateOptionsMenu& m) { return m.Action(LogoAnimationChoice::Band); }, "Animation", "band"},
        {[](const CreateOptionsMenu& m) { return m.Action(BorderChoice::Colour); }, "Border", "black"},
        {[](const CreateOptionsMenu& m) { return m.Action(BorderChoice::Edge); }, "Border", "edge"},
        {[](const CreateOptionsMenu& m) { return m.Action(LogoAnimationChoice::None); }, "Animation", "none"},
        {[](const CreateOptionsMenu& m) { return m.Action(BorderChoice::Palette); }, "Border", "palette"},
    };
    for (const auto& c : cases) {
        c.entry(menu)->trigger();
        EXPECT_EQ(settings.Read(QString::fromLatin1(c.key)), QString::fromLatin1(c.value));
        QPushButton again;
        const CreateOptionsMenu reread(settings, again);
        EXPECT_TRUE(c.entry(reread)->isChecked()) << c.value;
    }
}

// Keep belongs to the picture: offered and checked for an animated one, never
// stored, and gone with it, when the stored choice comes back.
TEST(CreateOptionsMenuTest, KeepIsOfferedOnlyWithAnAnimatedPicture)
{
    MemorySettingsStore settings;
    settings.Write(QStringLiteral("Animation"), QStringLiteral("band"));
    QPushButton button;
    CreateOptionsMenu menu(settings, button);
    QAction* keep = menu.Action(LogoAnimationChoice::Keep);
    QAction* band = menu.Action(LogoAnimationChoice::Band);
    QAction* none = menu.Action(LogoAnimationChoice::None);
    EXPECT_FALSE(keep->isVisible());
    EXPECT_FALSE(keep->isEnabled());
    EXPECT_TRUE(band->isChecked());

    const auto part = std::make_shared<AnimatedPart>();
    part->first = 236;
    menu.AnimatedPicture(part);
    EXPECT_TRUE(keep->isVisible());
    EXPECT_TRUE(keep->isEnabled());
    EXPECT_TRUE(keep->isChecked());
    EXPECT_EQ(menu.Options().animation, LogoAnimationChoice::Keep);
    EXPECT_EQ(menu.Options().kept, part);

    menu.AnimatedPicture(nullptr);
    EXPECT_FALSE(keep->isVisible());
    EXPECT_FALSE(keep->isChecked());
    EXPECT_TRUE(band->isChecked());
    EXPECT_EQ(menu.Options().kept, nullptr);

    // Choosing Keep stores nothing; another choice carries no kept part and
    // stays when the picture goes.
    menu.AnimatedPicture(part);
    none->trigger();
    keep->trigger();
    EXPECT_EQ(settings.Read(QStringLiteral("Animation")), QStringLiteral("none"));
    band->trigger();
    EXPECT_EQ(menu.Options().kept, nullptr);
    menu.AnimatedPicture(nullptr);
    EXPECT_TRUE(band->isChecked());
}

} // namespace
} // namespace quillmere
