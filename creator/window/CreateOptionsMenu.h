// How "Create Logo" converts: the quality, fit, animation and border choices
// of the button's context menu, kept in the settings "Quality", "Fit",
// "Animation" and "Border" under the names the command line uses ("exact",
// "best"; "stretch", "crop", "pad"; "none", "band") and "palette", "edge",
// "black" for the border. With nothing stored the conversion is the exact,
// stretched, still one with the palette's own entry 0, and the window looks
// and works as it always did. Keeping an animation belongs to the picture on
// the canvas, so it is offered only for an animated logo and never stored.
#pragma once

#include "creator/CreateLogo.h"

#include <QObject>
#include <QString>

#include <memory>

class QAbstractButton;
class QAction;
class QMenu;

namespace quillmere {

class SettingsStore;

// The options kept in settings; a missing or unknown value is the default. A
// padded logo is padded with black. The animation is None or Band, never
// Automatic or Keep.
ConversionOptions StoredConversionOptions(const SettingsStore& settings);

// A few words for the strip naming the options that differ from the default
// ("best", "crop", "best, pad", "keep animation, black border"); empty for the
// defaults (a still logo counts as the default whether chosen or automatic).
QString OptionsTag(const ConversionOptions& options);

class CreateOptionsMenu : public QObject {
public:
    // Gives button a context menu with the choices, checked as stored; a choice
    // is stored as soon as it is made.
    CreateOptionsMenu(SettingsStore& settings, QAbstractButton& button);

    // What the checked choices say; with Keep checked, kept is the animated
    // part of the picture on the canvas.
    ConversionOptions Options() const;

    // The animated part of the picture now on the canvas, or null. With one,
    // Keep is offered and checked; without, it is hidden, and a checked Keep
    // gives way to the stored animation choice.
    void AnimatedPicture(std::shared_ptr<const AnimatedPart> part);

    QMenu& Menu() const noexcept { return *menu_; }

    // The menu's entry for a choice, to check it as a click would. Border
    // Colour is "Black"; Automatic has none.
    QAction* Action(LogoQuality quality) const;
    QAction* Action(LogoFit fit) const;
    QAction* Action(LogoAnimationChoice animation) const;
    QAction* Action(BorderChoice border) const;

private:
    SettingsStore& settings_;
    QMenu* menu_;
    QAction* quality_[2] = {};
    QAction* fit_[3] = {};
    QAction* animation_[3] = {}; // None, Band, Keep
    QAction* border_[3] = {};
    std::shared_ptr<const AnimatedPart> animated_;
};

} // namespace quillmere
