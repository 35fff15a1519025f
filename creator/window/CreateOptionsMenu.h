// The choices of "Create Logo" (ConversionChoices) as the button's context
// menu: one checked entry a choice, Keep shown only while it is offered.
#pragma once

#include "creator/ConversionChoices.h"

#include <QObject>
#include <QString>

#include <memory>

class QAbstractButton;
class QAction;
class QMenu;

namespace quillmere {

class SettingsStore;

// StoredOptions of settings.
ConversionOptions StoredConversionOptions(const SettingsStore& settings);

class CreateOptionsMenu : public QObject {
public:
    // Gives button a context menu with the choices, checked as stored; a choice
    // is stored as soon as it is made.
    CreateOptionsMenu(SettingsStore& settings, QAbstractButton& button);

    // What the checked choices say: ConversionChoices::Options.
    ConversionOptions Options() const { return choices_.Options(); }

    // ConversionChoices::AnimatedPicture, and the entries checked and shown
    // as it leaves the choices.
    void AnimatedPicture(std::shared_ptr<const AnimatedPart> part);

    QMenu& Menu() const noexcept { return *menu_; }

    // The menu's entry for a choice, to check it as a click would. Border
    // Colour is "Black"; Automatic has none.
    QAction* Action(LogoQuality quality) const;
    QAction* Action(LogoFit fit) const;
    QAction* Action(LogoAnimationChoice animation) const;
    QAction* Action(BorderChoice border) const;

private:
    template <typename Choice> void Choose(Choice choice);
    void ShowChoices();

    SettingsStore& settings_;
    ConversionChoices choices_;
    QMenu* menu_;
    QAction* quality_[2] = {};
    QAction* fit_[3] = {};
    QAction* animation_[3] = {}; // None, Band, Keep
    QAction* border_[3] = {};
};

} // namespace quillmere
