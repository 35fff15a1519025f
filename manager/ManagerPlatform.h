// What the Logo Manager window reaches of the desktop, behind small interfaces
// that tests replace: its messages and questions, opening a document or web
// address with the desktop's handler, and the chooser of drive C:. The Qt
// implementations are below.
#pragma once

#include <QString>

#include <filesystem>
#include <optional>

class QWidget;

namespace quillmere {

class MessageBoxes;
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

class DocumentOpener {
public:
    virtual ~DocumentOpener() = default;
    // Hands a file or web address to the desktop's "open" handler; the result
    // is of no interest to the caller.
    virtual void Open(const QString& target) = 0;
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

class QtDocumentOpener final : public DocumentOpener {
public:
    void Open(const QString& target) override;
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
    // What the Logo Creator is made with on first use.
    SaveDialog& saveDialog;
    MessageBoxes& creatorMessages;
    // The program's own folder: the default page folder and where the guide lies.
    std::filesystem::path programFolder;
    // Snapshots of the Logo Creator; empty: the system's temporary folder.
    std::filesystem::path tempFolder{};
};

} // namespace quillmere
