// The Logo Creator window: a drive, folder and file browser on the left, the
// picture at actual size on the canvas, "Create Logo", "Save Logo" and "Close"
// under it, the progress bar and the information strip along the bottom. The
// window wires its controls to the plain classes beside it: CreatorPicture
// (what each step leaves of the picture), ConversionChoices (through its
// menu), CreatorTexts and CreatorLayout; what the desktop provides comes
// through the interfaces of CreatorPlatform.
#pragma once

#include "creator/CreatorLayout.h"
#include "creator/CreatorPicture.h"
#include "creator/CreatorTexts.h"

#include <QWidget>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

class QLabel;
class QPushButton;

namespace quillmere {

class CreateOptionsMenu;
class FileBrowser;
class MessageBoxes;
class SaveDialog;
class SettingsStore;
class ucCanvas;
class ucInfo;
class ucProgress;
struct DecodedPicture;

struct CreatorPlatform {
    SettingsStore& settings;
    SaveDialog& saveDialog;
    MessageBoxes& messages;
    // The folder that stands for drive C: (the first drive of the browser);
    // empty for none.
    std::filesystem::path driveC;
    // Where snapshots go; empty: "tmp", else "temp", else the system's
    // temporary folder.
    std::filesystem::path tempFolder;
    // The first folder when "CPath" names none: the user's pictures folder;
    // empty: the current folder.
    std::filesystem::path picturesFolder{};
};

class fMain : public QWidget {
    Q_OBJECT

public:
    // Runs the start-up: the browser opens on the setting "CPath" (else the
    // program's folder, else the nearest readable folder above either).
    // Closing the window, in any way, lets its picture, palette, indices and
    // snapshots go; shown again, it starts as new, on "CPath" again.
    explicit fMain(const CreatorPlatform& platform, QWidget* parent = nullptr);
    ~fMain() override;

    // What other windows read and set.
    FileBrowser& Browser() const noexcept { return *browser_; }
    cDIBPal& DIBPal() noexcept { return picture_.Pal(); }
    cDIBDither& DIBDither() noexcept { return picture_.Dither(); }
    std::uint8_t DIBbpp() const noexcept { return picture_.Bpp(); }
    // The animation byte that saving the canvas writes: 0 for a still picture.
    std::uint8_t DIBFirstAnimated() const noexcept { return picture_.FirstAnimated(); }

    ucCanvas& Canvas() const noexcept { return *canvas_; }
    ucInfo& Info() const noexcept { return *info_; }
    CreateOptionsMenu& CreateOptions() const noexcept { return *createOptions_; }
    ucProgress& Progress() const noexcept { return *progress_; }
    const SnapshotHistory& Snapshots() const noexcept { return picture_.Snapshots(); }
    const std::filesystem::path& CurrentFileName() const noexcept { return picture_.File(); }

    // Puts a decoded picture on the canvas (its own palette and indices for 8
    // bits or fewer, and its animation when it is an animated logo) and shows
    // its size, depth and fileBytes in the strip.
    // Errors of the import propagate; the canvas then keeps its picture.
    void ShowPicture(DecodedPicture& picture, std::uintmax_t fileBytes);

signals:
    // After a logo was saved at path: lists of other windows read their folder again.
    void LogoSaved(const QString& path);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class DitherRelay;
    class StepRelay;

    void BuildControls();
    std::filesystem::path StartFolder() const;
    void StartAfresh();
    void WidenForCaptions(CreatorRects& rects);
    // A message about a file in the strip's first field, the path shortened to
    // keep the rest whole; fitted again when the strip changes size.
    void ShowPathMessage(PathMessage message);
    void FitPathMessage();
    void Form_Resize();
    void File1_Click();
    void cmdCreate_Click();
    void MakeLogo();
    void cmdSave_Click();
    void cmdClose_Click();
    void Canvas_DIBProgressEnd();
    QString SizeText() const;

    SettingsStore& settings_;
    SaveDialog& saveDialog_;
    MessageBoxes& messages_;
    std::filesystem::path picturesFolder_;
    std::unique_ptr<DitherRelay> ditherRelay_;
    CreatorPicture picture_;
    bool closed_ = false; // shown again after a close: the start-up folder again
    bool creating_ = false;
    bool closedWhileCreating_ = false;

    FittedPathMessage pathMessage_;

    FileBrowser* browser_ = nullptr;
    ucCanvas* canvas_ = nullptr;
    ucInfo* info_ = nullptr;
    ucProgress* progress_ = nullptr;
    QLabel* Label1_ = nullptr;
    QLabel* Label2_ = nullptr;
    QLabel* lblActual_ = nullptr;
    QPushButton* cmdCreate_ = nullptr;
    QPushButton* cmdSave_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    CreateOptionsMenu* createOptions_ = nullptr;
};

} // namespace quillmere
