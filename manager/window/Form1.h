// The Logo Manager window: the header band, six pages in one place of which one
// shows, and the column of side buttons that switch pages and open the Logo
// Creator and the guide. It builds itself from the table of ManagerLayout; the
// pages (LogoPage, SetsPages) wire their controls to LogoManager.
#pragma once

#include "manager/window/LogoPage.h"
#include "manager/window/ManagerLayout.h"
#include "desktop/ProgramLinks.h"
#include "manager/window/ManagerPlatform.h"

#include <QWidget>

#include <array>
#include <filesystem>
#include <memory>

namespace quillmere {

class DriveC;
class FileBrowser;
class SetsPages;
class fMain;
class frmAbout;

// A help file in the program's folder, opened before the HTML guide when present.
inline constexpr std::string_view kHelpFile = "Quillmere.chm";

class Form1 : public QWidget {
    Q_OBJECT

public:
    // Builds the window and runs the start-up on drive.
    Form1(const ManagerPlatform& platform, DriveC drive, QWidget* parent = nullptr);
    ~Form1() override;

    LogoManager& Manager() noexcept { return state_.manager; }
    // The file browsers of the Startup, Wait and Safe pages.
    FileBrowser& Browser(LogoKind kind) const noexcept { return *browsers_[static_cast<std::size_t>(kind)]; }
    LogoPage& Page(LogoKind kind) const noexcept { return *pages_[static_cast<std::size_t>(kind)]; }
    SetsPages& Sets() const noexcept { return *sets_; }
    // The Logo Creator, once it has been opened; null before.
    fMain* Creator() const noexcept { return creator_; }
    // The About window, once it has been opened; null before.
    frmAbout* About() const noexcept { return about_; }
    ManagerPage VisiblePage() const;

    // Shows one page and hides the other five.
    void ShowPage(ManagerPage page);
    // Makes the folder or disk image choice drive C: (DriveC::Open's rules; on
    // an image, the active FAT partition, else the first), keeps it in the
    // settings ("DriveC") and runs the start-up file steps on it, reloading
    // every page. False, with the reason in a message, when it cannot be
    // opened; drive C: then stays as it was.
    bool ChangeDriveC(const std::filesystem::path& choice);
    // Before a change: true while drive C: is still the folder or image it was
    // opened on; else tells the user, opens it again (the practice drive when
    // it cannot be), and gives false.
    bool SameDrive();

signals:
    // The start-up has shown every picture.
    void Loaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    // "Show as at start-up..." on every picture box; a double click on the current logos.
    void AttachBootPreview();
    void Form_Load();
    void LoadDrive();
    // Makes drive C: the one given and reads every page from it again.
    void UseDrive(DriveC drive);
    void ShowDriveLine();
    // The folder a page's file list opens on when none is kept.
    std::filesystem::path StartFolder() const;
    fMain& OpenCreator();
    frmAbout& OpenAbout();
    void cmdHelp_Click();
    void Image8_Click();
    // Hands target to the desktop's "open" handler; says where it is when none takes it.
    void Open(const QString& target);
    void lblChangeDrive_Click();
    void XDWButton7_Click();
    void XDWButton11b_Click();

    SettingsStore& settings_;
    ManagerPlatform platform_;
    ManagerState state_;
    std::array<FileBrowser*, 3> browsers_{};
    std::array<LogoPage*, 3> pages_{};
    SetsPages* sets_ = nullptr;
    fMain* creator_ = nullptr;
    frmAbout* about_ = nullptr;
    // The web pages the web link and the About window open.
    ProgramLinks links_;
};

} // namespace quillmere
