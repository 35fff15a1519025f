// The questions and messages a window puts to the user, behind small
// interfaces: the windows use the Qt dialogs below, tests answer with doubles.
#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quillmere {

// What a save dialog shows: its title, its filter ("Bitmap files (*.bmp)"), the
// extension added to a name typed without one ("bmp"), and the folder it opens
// in (empty: the platform's choice).
struct SaveRequest {
    QString title;
    QString filter;
    QString defaultSuffix;
    QString folder;
};

class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // The chosen full path, or nothing when the user cancelled. Replacing an
    // existing file has been confirmed by the user when a path comes back.
    virtual std::optional<QString> Ask(QWidget* parent, const SaveRequest& request) = 0;
};

class QtSaveDialog final : public SaveDialog {
public:
    std::optional<QString> Ask(QWidget* parent, const SaveRequest& request) override;
};

// What an open dialog shows: its title, its filter ("Zip files (*.zip)") and
// the folder it opens in (empty: the platform's choice).
struct OpenRequest {
    QString title;
    QString filter;
    QString folder;
};

class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    // The chosen existing file's full path, or nothing when the user cancelled.
    virtual std::optional<QString> Ask(QWidget* parent, const OpenRequest& request) = 0;
};

class QtOpenDialog final : public OpenDialog {
public:
    std::optional<QString> Ask(QWidget* parent, const OpenRequest& request) override;
};

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // A message with a warning icon and an OK button; returns when it is closed.
    virtual void Warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // A message with an information icon and an OK button; returns when it is closed.
    virtual void Information(QWidget* parent, const QString& title, const QString& text) = 0;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    void Warning(QWidget* parent, const QString& title, const QString& text) override;
    void Information(QWidget* parent, const QString& title, const QString& text) override;
};

} // namespace quillmere
