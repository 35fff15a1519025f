// How "Create Logo" converts: the quality and fit choices of the button's
// context menu, kept in the settings "Quality" and "Fit" under the names the
// command line uses ("exact", "best"; "stretch", "crop", "pad"). With nothing
// stored the conversion is the exact, stretched one, and the window looks and
// works as it always did.
#pragma once

#include "creator/CreateLogo.h"

#include <QObject>
#include <QString>

class QAbstractButton;
class QAction;
class QMenu;

namespace quillmere {

class SettingsStore;

// The options kept in settings; a missing or unknown value is the default. A
// padded logo is padded with black.
ConversionOptions StoredConversionOptions(const SettingsStore& settings);

// A few words for the strip naming the options that differ from the default
// ("best", "crop", "best, pad"); empty for the defaults.
QString OptionsTag(const ConversionOptions& options);

class CreateOptionsMenu : public QObject {
public:
    // Gives button a context menu with the choices, checked as stored; a choice
    // is stored as soon as it is made.
    CreateOptionsMenu(SettingsStore& settings, QAbstractButton& button);

    // What the checked choices say.
    ConversionOptions Options() const;

    QMenu& Menu() const noexcept { return *menu_; }

    // The menu's entry for a quality or fit, to check it as a click would.
    QAction* Action(LogoQuality quality) const;
    QAction* Action(LogoFit fit) const;

private:
    SettingsStore& settings_;
    QMenu* menu_;
    QAction* quality_[2] = {};
    QAction* fit_[3] = {};
};

} // namespace quillmere
