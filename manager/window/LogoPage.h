// One logo page of the Logo Manager (Startup, Wait or Safe): the current logo,
// a file browser, the preview of the clicked file with its verdict, "Install
// This Logo" and "Convert File". The page wires its controls (made by the
// window from its table) to the operations of LogoManager; the file work is
// all there.
#pragma once

#include "manager/LogoManager.h"
#include "manager/LogoSlot.h"
#include "manager/window/ManagerLayout.h"

#include <QObject>

#include <filesystem>
#include <functional>
#include <string>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace quillmere {

class FileBrowser;
class ManagerMessages;

// What the pages of one window share.
struct ManagerState {
    QWidget* window;
    ManagerMessages& messages;
    LogoManager manager;
    // The file last clicked in any of the three file lists; empty until then.
    std::filesystem::path selectedFile{};
    // Opens the Logo Creator on folder with fileName selected (none when empty).
    std::function<void(const std::filesystem::path& folder, const std::string& fileName)> openCreator{};
    // Called before every change to drive C:: false (after telling the user and
    // opening drive C: again) when its folder or image was replaced since it
    // was opened, and the change must not be made.
    std::function<bool()> sameDrive = [] { return true; };
};

// The size of a picture box that shows a whole logo, and of a set's thumbnail.
inline constexpr int kBoxWidth = 161, kBoxHeight = 201;
inline constexpr int kThumbnailWidth = 97, kThumbnailHeight = 121;

class LogoPage : public QObject {
    Q_OBJECT

public:
    // The controls are found by their names in window.
    LogoPage(LogoKind kind, QWidget& window, FileBrowser& browser, ManagerState& state);

    LogoKind Kind() const noexcept { return kind_; }
    FileBrowser& Browser() const noexcept { return browser_; }

    // Start-up: the "Not Available" mark shows when installed is false.
    void ShowAbsence(bool installed);
    // The current-logo picture from the installed logo (empty when it cannot be read).
    void LoadCurrent();
    // After an operation: the picture and the "Not Available" mark as drive C: holds the logo now.
    void ShowInstalled();
    // Writes the path field, which reloads the preview.
    void SetPathField(const QString& text);

    // Chooses file as a click on it in the file list does: its folder opens in
    // the browser and the file is selected there. False, with nothing chosen,
    // when the file list does not show it (no picture or logo file, or gone).
    // Never installs. A file dropped on the Preview box comes here.
    bool ChooseFile(const std::filesystem::path& file);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void File_Click();
    void Text_Change();
    void Install_Click();
    void Convert_Click();
    // The Current Logo picture's "Use Windows' Own Logo".
    void UseOwn_Click();
    // The Startup Logo page's "Show at boot": Logo= in C:\MSDOS.SYS.
    void BootLogo_Click(bool on);
    void ShowBootLogo();

    LogoKind kind_;
    const LogoSlot& slot_;
    FileBrowser& browser_;
    ManagerState& state_;
    QLabel* preview_;
    QLabel* prompt_;
    QLabel* verdict_;
    QLabel* mark_;
    QLabel* current_;
    QLineEdit* text_;
    QPushButton* install_;
    QPushButton* convert_;
    QAction* useOwn_;
    QCheckBox* bootLogo_ = nullptr; // on the Startup Logo page only
};

} // namespace quillmere
