// What the Logo Manager window reaches of the desktop, behind small interfaces
// that tests replace: its messages and questions and the chooser of drive C:
// (opening a document is the desktop's DocumentOpener). The Qt
// implementations are below.
#pragma once

#include "desktop/DocumentOpener.h"

#include <QString>

#include <filesystem>
#include <optional>

class QWidget;

namespace quillmere {

class MessageBoxes;
class OpenDialog;
class ProcessStarter;
class Registry;
class SaveDialog;
class SettingsStore;

class ManagerMessages {
public:
    virtual ~ManagerMessages() = default;
    // A message with an information icon and an OK button.
    virtual void Information(QWidget* parent, const QString& title, const QString& text) = 0;
    // A message with a warning icon and an OK button.
    virtual void Warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question with Yes and No buttons and no icon; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
};

// Drive C: is a folder or a disk image file; the user picks one of either kind.
class FolderChooser {
public:
    virtual ~FolderChooser() = default;
    // The chosen folder, or nothing when the user cancelled.
    virtual std::optional<std::filesystem::path> Choose(QWidget* parent, const QString& title,
                                                        const std::filesystem::path& start) = 0;
    // The chosen disk image file, starting in the folder start, or nothing when
    // the user cancelled.
    virtual std::optional<std::filesystem::path> ChooseImage(QWidget* parent, const QString& title,
                                                             const std::filesystem::path& start) = 0;
};

class QtManagerMessages final : public ManagerMessages {
public:
    void Information(QWidget* parent, const QString& title, const QString& text) override;
    void Warning(QWidget* parent, const QString& title, const QString& text) override;
    bool AskYesNo(QWidget* parent, const QString& title, const QString& text) override;
};

class QtFolderChooser final : public FolderChooser {
public:
    std::optional<std::filesystem::path> Choose(QWidget* parent, const QString& title,
                                                const std::filesystem::path& start) override;
    std::optional<std::filesystem::path> ChooseImage(QWidget* parent, const QString& title,
                                                     const std::filesystem::path& start) override;
};

struct ManagerPlatform {
    SettingsStore& settings;
    ManagerMessages& messages;
    DocumentOpener& opener;
    FolderChooser& folders;
    // What the Logo Creator and the About window are made with on first use.
    SaveDialog& saveDialog;
    MessageBoxes& creatorMessages;
    // Where a logo set's zip is written to and read from.
    OpenDialog& openDialog;
    Registry& registry;
    ProcessStarter& processes;
    // The program's own folder: the default page folder and where the guide
    // (and the links' page without a home page) lies.
    std::filesystem::path programFolder;
    // Snapshots of the Logo Creator; empty: the system's temporary folder.
    std::filesystem::path tempFolder{};
    // Where a file list opens when no folder is kept for it: the user's
    // pictures folder, else the home folder (UserPicturesFolder); empty: the
    // program's folder.
    std::filesystem::path picturesFolder{};
};

} // namespace quillmere
