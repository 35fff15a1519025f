#include "LogoPage.h"

#include "BoxPicture.h"
#include "ManagerPlatform.h"
#include "desktop/QtText.h"
#include "drive/FileAttributes.h"
#include "imaging/Errors.h"
#include "manager/window/ManagerControls.h"
#include "manager/BootLogoSwitch.h"
#include "manager/LogoFormat.h"
#include "widgets/BrowserListing.h"
#include "widgets/FileBrowser.h"

#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QUrl>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

namespace quillmere {

LogoPage::LogoPage(LogoKind kind, QWidget& window, FileBrowser& browser, ManagerState& state)
    : QObject(&window), kind_(kind), slot_(SlotOf(kind)), browser_(browser), state_(state)
{
    const LogoPageNames& names = LogoPageControls()[static_cast<std::size_t>(kind)];
    preview_ = Control<QLabel>(window, names.preview);
    prompt_ = Control<QLabel>(window, names.prompt);
    verdict_ = Control<QLabel>(window, names.verdict);
    mark_ = Control<QLabel>(window, names.mark);
    current_ = Control<QLabel>(window, names.current);
    text_ = Control<QLineEdit>(window, names.text);
    install_ = Control<QPushButton>(window, names.install);
    convert_ = Control<QPushButton>(window, names.convert);

    mark_->hide();
    convert_->setEnabled(false);
    // A picture file dropped on the preview is chosen as a click in the list would choose it.
    preview_->setAcceptDrops(true);
    preview_->installEventFilter(this);
    connect(&browser_, &FileBrowser::FileClick, this, &LogoPage::File_Click);
    connect(text_, &QLineEdit::textChanged, this, &LogoPage::Text_Change);
    connect(install_, &QPushButton::clicked, this, &LogoPage::Install_Click);
    connect(convert_, &QPushButton::clicked, this, &LogoPage::Convert_Click);

    useOwn_ = new QAction(QStringLiteral("Use Windows' &Own Logo"), current_);
    current_->addAction(useOwn_);
    current_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(useOwn_, &QAction::triggered, this, &LogoPage::UseOwn_Click);
    if (kind == LogoKind::Startup) {
        bootLogo_ = Control<QCheckBox>(window, kBootLogoBox);
        connect(bootLogo_, &QCheckBox::clicked, this, &LogoPage::BootLogo_Click);
    }
}

void LogoPage::ShowAbsence(bool installed) { mark_->setVisible(!installed); }

void LogoPage::LoadCurrent()
{
    ShowBoxPicture(current_, LoadBoxPicture(state_.manager.Drive(), slot_.installPath, kBoxWidth, kBoxHeight));
}

void LogoPage::SetPathField(const QString& text)
{
    // The preview reloads on every write, even of the same text.
    if (text_->text() == text)
        Text_Change();
    else
        text_->setText(text);
}

namespace {

// The one local picture or logo file a drag carries; empty for anything else.
std::filesystem::path DraggedPicture(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().constFirst().isLocalFile())
        return {};
    const std::filesystem::path file = TextPath(data->urls().constFirst().toLocalFile());
    return MatchesPattern(file.filename().native(), kPicturePattern) ? file : std::filesystem::path();
}

} // namespace

bool LogoPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == preview_ && event->type() == QEvent::DragEnter) {
        auto* drag = static_cast<QDragEnterEvent*>(event);
        if (!DraggedPicture(drag->mimeData()).empty())
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    if (watched == preview_ && event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const std::filesystem::path file = DraggedPicture(drop->mimeData());
        if (!file.empty() && ChooseFile(file))
            drop->acceptProposedAction();
        else
            drop->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

bool LogoPage::ChooseFile(const std::filesystem::path& file)
{
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
    // A file that is not there leaves the browser where it was.
    if (ec || !absolute.has_filename() || !std::filesystem::is_regular_file(absolute, ec))
        return false;
    browser_.Path(absolute.parent_path());
    // The browser may have stopped at a folder above one it cannot read.
    if (browser_.Path() != absolute.parent_path().lexically_normal())
        return false;
    const auto found = browser_.File()->findItems(PathText(absolute.filename()), Qt::MatchExactly);
    if (found.isEmpty())
        return false;
    browser_.ListIndex(browser_.File()->row(found.first()));
    return true;
}

void LogoPage::File_Click()
{
    const std::filesystem::path file = browser_.SelectedPath();
    if (file.empty())
        return;
    prompt_->hide();
    state_.selectedFile = file;
    SetPathField(PathText(file));
    // A file gone since it was listed is no logo: "Wrong Format", not a failure.
    const bool valid = IsValidLogo(file);
    verdict_->setText(Text(valid ? kValidFormat : kWrongFormat));
    convert_->setEnabled(!valid);
}

void LogoPage::Text_Change()
{
    preview_->clear();
    ShowBoxPicture(preview_, LoadBoxPicture(std::filesystem::path(text_->text().toLocal8Bit().toStdString()), kBoxWidth,
                                  kBoxHeight));
}

void LogoPage::Install_Click()
{
    if (state_.selectedFile.empty()) {
        state_.messages.Information(state_.window, Text(kNoFileSelectedTitle), Text(kNoFileSelectedText));
        return;
    }
    // A file removed since it was clicked is gone, not a picture to convert.
    std::error_code ec;
    if (std::filesystem::symlink_status(state_.selectedFile, ec).type() == std::filesystem::file_type::not_found) {
        state_.messages.Warning(state_.window, QStringLiteral("Install This Logo"),
                                QStringLiteral("%1 does not exist, so the %2 was not installed.")
                                    .arg(PathText(state_.selectedFile), Text(slot_.title).toLower()));
        browser_.Refresh();
        return;
    }
    if (verdict_->text() != Text(kValidFormat)) {
        const QString question = Text(ConvertFileQuestion(browser_.FileName()));
        if (state_.messages.AskYesNo(state_.window, Text(kConvertFileTitle), question))
            Convert_Click();
        return;
    }
    if (!state_.sameDrive())
        return;
    // The core tests the file it copies itself, so a verdict shown for a file
    // clicked on this page never lets another page's selection through.
    const InstallReport report = state_.manager.InstallLogo(kind_, state_.selectedFile);
    switch (report.outcome) {
    case InstallOutcome::Installed:
        break;
    case InstallOutcome::WrongFormat: {
        const std::string name = state_.selectedFile.filename().string();
        if (state_.messages.AskYesNo(state_.window, Text(kConvertFileTitle), Text(ConvertFileQuestion(name))))
            state_.openCreator(state_.selectedFile.parent_path(), name);
        break;
    }
    case InstallOutcome::NoFileSelected:
    case InstallOutcome::FileMissing:
    case InstallOutcome::CopyFailed:
    case InstallOutcome::OriginalOwed: {
        // One sentence: the file and the reason once, then what it meant.
        const std::string title = Text(slot_.title).toLower().toStdString();
        std::string text = AsSentence(report.reason);
        if (report.outcome != InstallOutcome::OriginalOwed) {
            std::string why = report.reason;
            if (!report.files.empty() && !report.files.back().done)
                why = FailureReason(report.files.back());
            text = AsSentence(why + ", so the " + title + " was not installed");
        }
        state_.messages.Warning(state_.window, QStringLiteral("Install This Logo"), Text(text));
        break;
    }
    }
    // The mark and the picture tell what the drive holds now, whatever happened.
    ShowInstalled();
}

void LogoPage::ShowInstalled()
{
    // A folder under the logo's name is no logo: the box stays empty, so the mark shows.
    const DriveC& drive = state_.manager.Drive();
    const std::optional<std::uint32_t> attributes = drive.Attributes(slot_.installPath);
    ShowAbsence(drive.Exists(slot_.installPath) && attributes && !(*attributes & kAttrDirectory));
    LoadCurrent();
    ShowBootLogo();
}

void LogoPage::ShowBootLogo()
{
    if (!bootLogo_)
        return;
    const BootLogoReading reading = ReadBootLogo(state_.manager.Drive());
    bootLogo_->setEnabled(reading.switchable);
    bootLogo_->setChecked(reading.switchable && reading.logoOn);
    bootLogo_->setToolTip(Text("Start logo at boot: " + BootLogoText(reading)));
}

void LogoPage::BootLogo_Click(bool on)
{
    if (state_.sameDrive()) {
        try {
            const BootLogoChange change = SetBootLogo(state_.manager.Drive(), on);
            if (!change.attributesProblem.empty())
                state_.messages.Warning(state_.window, QStringLiteral("Show at Boot"),
                                        Text(AsSentence("C:\\MSDOS.SYS was changed, but its attributes could not be "
                                                        "put back: " + change.attributesProblem)));
        } catch (const std::exception& e) {
            state_.messages.Warning(state_.window, QStringLiteral("Show at Boot"), Text(AsSentence(e.what())));
        }
    }
    // The box tells what the file says now, whatever happened.
    ShowBootLogo();
}

void LogoPage::UseOwn_Click()
{
    const QString title = QStringLiteral("Use Windows' Own Logo");
    const std::string kind = Text(slot_.title).toLower().toStdString();
    std::string keptAs;
    try {
        keptAs = state_.manager.RemovedLogoGoes(kind_);
    } catch (const std::exception& e) {
        state_.messages.Warning(state_.window, title, Text(AsSentence(e.what())));
        return;
    }
    if (!state_.manager.Drive().Exists(slot_.installPath)) {
        state_.messages.Information(state_.window, title,
                                    Text(AsSentence(std::string(slot_.installPath) +
                                                    " does not exist, so Windows shows its own " + kind + " already")));
        return;
    }
    const std::string question = "Remove " + std::string(slot_.installPath) + ", so that Windows shows its own " +
                                 kind + "? It is kept as " + keptAs + " first.";
    if (!state_.messages.AskYesNo(state_.window, title, Text(question)) || !state_.sameDrive())
        return;
    const RemoveReport report = state_.manager.RemoveLogo(kind_);
    if (report.outcome != RemoveOutcome::Removed)
        state_.messages.Warning(state_.window, title, Text(AsSentence(report.reason)));
    ShowInstalled();
}

void LogoPage::Convert_Click() { state_.openCreator(browser_.Path(), browser_.FileName()); }

} // namespace quillmere
