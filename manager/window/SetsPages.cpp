#include "SetsPages.h"

#include "BoxPicture.h"
#include "LogoPage.h"
#include "ManagerPlatform.h"
#include "desktop/QtText.h"
#include "imaging/Errors.h"
#include "manager/window/ManagerControls.h"
#include "manager/FileResult.h"
#include "manager/window/ManagerLayout.h"
#include "manager/SetArchive.h"
#include "desktop/Dialogs.h"

#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

namespace quillmere {

namespace {

// A set's thumbnail: the startup logo the set holds.
BoxPicture Thumbnail(const DriveC& drive, int set)
{
    return LoadBoxPicture(drive, BackupPath(SlotOf(LogoKind::Startup), SetBackupNumber(set)), kThumbnailWidth,
                          kThumbnailHeight);
}

} // namespace

SetsPages::SetsPages(QWidget& window, ManagerState& state, std::function<void()> reloadCurrent,
                     SetZipDialogs dialogs)
    : QObject(&window), window_(window), state_(state), reloadCurrent_(std::move(reloadCurrent)),
      dialogs_(std::move(dialogs))
{
    for (int set = kFirstSet; set <= kLastSet; ++set) {
        const SetControlNames& names = SetControls()[static_cast<std::size_t>(set - 1)];
        connect(Control<QPushButton>(window, names.save), &QPushButton::clicked, this, [this, set] { SaveSet(set); });
        connect(Control<QPushButton>(window, names.install), &QPushButton::clicked, this,
                [this, set] { InstallSet(set); });
    }
    connect(Control<QPushButton>(window, "Command6a"), &QPushButton::clicked, this, &SetsPages::RestoreOriginals);
}

void SetsPages::SaveSet(int set)
{
    if (!state_.sameDrive())
        return;
    const std::vector<FileResult> results = state_.manager.SaveSet(set);
    // The thumbnail shows what the set holds now: where a copy failed, not the
    // logo installed, which the set does not have.
    ShowThumbnail(set);
    ReportFailures(QStringLiteral("Save Set %1").arg(set), results);
}

void SetsPages::InstallSet(int set)
{
    if (!state_.sameDrive())
        return;
    const std::vector<FileResult> results = state_.manager.InstallSet(set);
    reloadCurrent_();
    ReportFailures(QStringLiteral("Install Set %1").arg(set), results);
}

void SetsPages::RestoreOriginals()
{
    if (!state_.sameDrive())
        return;
    const std::vector<FileResult> results = state_.manager.RestoreOriginals();
    reloadCurrent_();
    ReportFailures(QStringLiteral("Restore Originals"), results);
}

void SetsPages::ShowThumbnail(int set)
{
    const SetControlNames& names = SetControls()[static_cast<std::size_t>(set - 1)];
    ShowBoxPicture(Control<QLabel>(window_, names.thumbnail), Thumbnail(state_.manager.Drive(), set));
}

void SetsPages::AddZipItems(QMenu& menu, int set)
{
    menu.addAction(Text(kExportSetItem), this, [this, set] { ExportSet(set); });
    menu.addAction(Text(kImportSetItem), this, [this, set] { ImportSet(set); });
}

void SetsPages::ExportSet(int set)
{
    const QString title = QStringLiteral("Export Set %1").arg(set);
    const std::optional<QString> chosen = dialogs_.save.Ask(
        &window_, {title, QStringLiteral("Zip files (*.zip)"), QStringLiteral("zip"), PathText(dialogs_.folder)});
    if (!chosen || chosen->isEmpty())
        return;
    try {
        quillmere::ExportSet(state_.manager, set, TextPath(*chosen));
    } catch (const std::exception& e) {
        state_.messages.Warning(&window_, title,
                                Text(AsSentence("set " + std::to_string(set) + " was not exported: " + e.what())));
    }
}

void SetsPages::ImportSet(int set)
{
    const QString title = QStringLiteral("Import Set %1").arg(set);
    const std::optional<QString> chosen =
        dialogs_.open.Ask(&window_, {title, QStringLiteral("Zip files (*.zip *.ZIP)"), PathText(dialogs_.folder)});
    if (!chosen || chosen->isEmpty() || !state_.sameDrive())
        return;
    try {
        quillmere::ImportSet(state_.manager, set, TextPath(*chosen), std::nullopt);
    } catch (const PackChoiceError& e) {
        state_.messages.Warning(&window_, title,
                                Text(AsSentence("set " + std::to_string(set) + " was not changed: " + e.what() +
                                                "; \"quillmere sets import --prefix\" picks one")));
    } catch (const std::exception& e) {
        state_.messages.Warning(&window_, title,
                                Text(AsSentence("set " + std::to_string(set) + " was not changed: " + e.what())));
    }
    ShowThumbnail(set);
}

void SetsPages::LoadThumbnails()
{
    const DriveC& drive = state_.manager.Drive();
    for (int set = kFirstSet; set <= kLastSet; ++set)
        ShowBoxPicture(Control<QLabel>(window_, SetControls()[static_cast<std::size_t>(set - 1)].thumbnail),
                       Thumbnail(drive, set));
    for (std::size_t k = 0; k < kOriginalPictures.size(); ++k)
        ShowBoxPicture(Control<QLabel>(window_, kOriginalPictures[k]),
             LoadBoxPicture(drive, BackupPath(LogoSlots()[k], kOriginalsBackup), kBoxWidth, kBoxHeight));
}

void SetsPages::ReportFailures(const QString& title, const std::vector<FileResult>& results)
{
    // A kind the set never held is no failure: that logo just stays. What
    // could not be done for another reason (a full disk, a read-only file, an
    // original still owed) is told.
    QString lines;
    for (const FileResult& r : results) {
        if (r.done || r.sourceMissing || r.step != FileStep::Copy)
            continue;
        // Which logo it was, and whether it was to be installed or saved.
        std::string what;
        for (const LogoSlot& slot : LogoSlots()) {
            if (r.target == slot.copyPath)
                what = ", so the " + std::string(slot.name) + " logo was not installed";
            else if (r.source == slot.copyPath)
                what = ", so the " + std::string(slot.name) + " logo was not saved";
        }
        lines += Text(AsSentence(r.notTried ? r.detail : FailureReason(r) + what)) + u'\n';
    }
    if (!lines.isEmpty())
        state_.messages.Warning(&window_, title, lines.trimmed());
}

} // namespace quillmere
