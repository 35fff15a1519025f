#include "creator/window/fMain.h"

#include "desktop/Dialogs.h"
#include "desktop/SettingsStore.h"
#include "creator/window/CreateOptionsMenu.h"
#include "creator/window/CreatorFont.h"
#include "creator/CreatorLayout.h"
#include "creator/CreatorTexts.h"
#include "creator/window/CreatorPreview.h"
#include "creator/SizeIt.h"
#include "creator/window/StripText.h"
#include "imaging/Errors.h"
#include "imaging/Numeric.h"
#include "pictureio/cDIBSave.h"
#include "imaging/decode/PictureLoader.h"
#include "widgets/BrowserListing.h"
#include "widgets/FileBrowser.h"
#include "widgets/ucCanvas.h"
#include "widgets/ucInfo.h"
#include "widgets/ucProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QWindowStateChangeEvent>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

namespace quillmere {

namespace {

enum class Kind { Label, DriveList, FolderList, FileList, Canvas, Button, ProgressBar, InfoStrip };

// The window's controls: name, kind, caption, initial rectangle (left, top,
// width, height in logical pixels), enabled, tooltip, place in the tab order
// (0: not in it). The layout replaces the rectangles as soon as the window
// is shown.
struct ControlSpec {
    const char* name;
    Kind kind;
    const char* caption;
    LayoutBox rect;
    bool enabled;
    const char* tooltip;
    int tab;
};
constexpr ControlSpec kControls[] = {
    {"Label2", Kind::Label, "Select Directory", {8, 15, 153, 13}, true, "", 0},
    {"Drive1", Kind::DriveList, "", {8, 32, 153, 21}, true, "", 1},
    {"Dir1", Kind::FolderList, "", {8, 56, 153, 156}, true, "", 2},
    {"Label1", Kind::Label, "Select a File", {8, 216, 153, 13}, true, "", 0},
    {"File1", Kind::FileList, "", {8, 232, 153, 201}, true, "", 6},
    {"lblActual", Kind::Label, "Preview Shown Actual Size", {416, 15, 129, 13}, true, "", 0},
    {"Canvas", Kind::Canvas, "", {176, 32, 373, 359}, true, "", 0},
    {"cmdCreate", Kind::Button, "&Create Logo", {160, 504, 113, 25}, false, "", 5},
    {"cmdSave", Kind::Button, "&Save Logo", {296, 504, 113, 25}, false, "", 3},
    {"cmdClose", Kind::Button, "Cl&ose", {432, 504, 113, 25}, true, "", 4},
    {"Progress", Kind::ProgressBar, "", {0, 535, 102, 18}, true, "", 0},
    {"Info", Kind::InfoStrip, "", {115, 533, 423, 20}, true, "", 0},
};
constexpr int kClientWidth = 556;
constexpr int kClientHeight = 554;

QString Native(const std::filesystem::path& p)
{
    return QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(p.native())));
}

std::filesystem::path FromText(const QString& text) { return QFile::encodeName(text).toStdString(); }

LayoutBox BoxOf(const QWidget* w) { return {w->x(), w->y(), w->width(), w->height()}; }
void SetBox(QWidget* w, const LayoutBox& b) { w->setGeometry(b.left, b.top, b.width, b.height); }

const ControlSpec& Spec(std::string_view name)
{
    for (const ControlSpec& c : kControls)
        if (name == c.name)
            return c;
    std::abort(); // every name asked for is in the table
}

} // namespace

// The ditherer's rows go to the progress bar; its end leaves a snapshot.
class fMain::DitherRelay final : public ProgressObserver {
public:
    explicit DitherRelay(fMain& w) : w_(w) {}
    void Progress(std::int32_t row) override { w_.progress_->Value(row); }
    void ProgressEnd() override
    {
        w_.progress_->Value(0);
        w_.PushSnapshot();
    }

private:
    fMain& w_;
};

// What the window shows between the steps of "Create Logo".
class fMain::StepRelay final : public CreateLogoSteps {
public:
    explicit StepRelay(fMain& w) : w_(w) {}
    void Resized() override
    {
        w_.canvas_->RemoveCropRectangle();
        w_.canvas_->Resize();
        w_.info_->TextInfo(w_.SizeText());
        // Lets the texts be drawn; the user's clicks wait until the logo is done.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    void Converting() override
    {
        w_.info_->TextFile(QStringLiteral("Converting..."));
        w_.bpp_ = 8;
    }
    void BuildingPalette(bool busy) override
    {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }

private:
    fMain& w_;
};

fMain::fMain(const CreatorPlatform& platform, QWidget* parent)
    : QWidget(parent), settings_(platform.settings), saveDialog_(platform.saveDialog), messages_(platform.messages),
      picturesFolder_(platform.picturesFolder), snapshots_({}, 0), ditherRelay_(std::make_unique<DitherRelay>(*this))
{
    setWindowTitle(QStringLiteral("Logo Creator"));
    browser_ = new FileBrowser(this, SystemDrives(platform.driveC), std::string(kPicturePattern));
    BuildControls();
    setFont(WindowFont(font()));
    resize(kClientWidth, kClientHeight);

    connect(browser_, &FileBrowser::FileClick, this, &fMain::File1_Click);
    connect(cmdCreate_, &QPushButton::clicked, this, &fMain::cmdCreate_Click);
    createOptions_ = new CreateOptionsMenu(settings_, *cmdCreate_);
    connect(cmdSave_, &QPushButton::clicked, this, &fMain::cmdSave_Click);
    connect(cmdClose_, &QPushButton::clicked, this, &fMain::cmdClose_Click);
    connect(canvas_, &ucCanvas::DIBProgress, this, [this](std::int32_t row) { progress_->Value(row); });
    connect(canvas_, &ucCanvas::DIBProgressEnd, this, &fMain::Canvas_DIBProgressEnd);
    connect(info_, &ucInfo::Resized, this, &fMain::FitPathMessage);
    new CreatorPreview(*this); // the Boot Preview's menu and Ctrl+P

    // Start-up; each step stands on its own.
    browser_->Path(StartFolder());
    dither_ = std::make_unique<cDIBDither>();
    dither_->SetProgressObserver(ditherRelay_.get());
    const char* tmp = std::getenv("tmp");
    const char* temp = std::getenv("temp");
    const std::filesystem::path folder = platform.tempFolder.empty()
                                             ? SnapshotFolder(tmp, temp, FromText(QDir::tempPath()))
                                             : platform.tempFolder;
    // The native window id is unique to this window among the process's windows.
    snapshots_ = SnapshotHistory(folder, static_cast<std::uint64_t>(winId()));
}

fMain::~fMain() { dither_->SetProgressObserver(nullptr); }

std::filesystem::path fMain::StartFolder() const
{
    const QString stored = settings_.Read(QStringLiteral("CPath"));
    if (!stored.isEmpty())
        return FromText(stored);
    if (!picturesFolder_.empty())
        return picturesFolder_;
    std::error_code ec;
    return std::filesystem::current_path(ec);
}

void fMain::BuildControls()
{
    std::vector<std::pair<int, QWidget*>> tabs;
    for (const ControlSpec& c : kControls) {
        QWidget* w = nullptr;
        switch (c.kind) {
        case Kind::Label: {
            auto* label = new QLabel(QString::fromUtf8(c.caption), this);
            const std::string_view name = c.name;
            (name == "lblActual" ? lblActual_ : name == "Label1" ? Label1_ : Label2_) = label;
            w = label;
            break;
        }
        case Kind::DriveList: w = browser_->Drive(); break;
        case Kind::FolderList: w = browser_->Dir(); break;
        case Kind::FileList: w = browser_->File(); break;
        case Kind::Canvas: w = canvas_ = new ucCanvas(this); break;
        case Kind::Button: {
            auto* button = new QPushButton(QString::fromUtf8(c.caption), this);
            const std::string_view name = c.name;
            (name == "cmdCreate" ? cmdCreate_ : name == "cmdSave" ? cmdSave_ : cmdClose_) = button;
            w = button;
            break;
        }
        case Kind::ProgressBar: w = progress_ = new ucProgress(this); break;
        case Kind::InfoStrip: w = info_ = new ucInfo(this); break;
        }
        w->setObjectName(QString::fromUtf8(c.name));
        SetBox(w, c.rect);
        w->setEnabled(c.enabled);
        w->setToolTip(QString::fromUtf8(c.tooltip));
        if (c.tab > 0)
            tabs.emplace_back(c.tab, w);
    }
    std::sort(tabs.begin(), tabs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabs.size(); ++i)
        setTabOrder(tabs[i - 1].second, tabs[i].second);
}

QString fMain::SizeText() const
{
    const cDIB& dib = canvas_->DIB();
    return QStringLiteral("%1x%2x%3b").arg(dib.Width()).arg(dib.Height()).arg(bpp_);
}

// ---- layout ---------------------------------------------------------------

void fMain::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void fMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (closed_ && !event->spontaneous()) {
        closed_ = false;
        browser_->Path(StartFolder());
    }
    Form_Resize();
}

void fMain::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if ((event->type() == QEvent::WindowStateChange && !isMinimized()) || event->type() == QEvent::FontChange)
        Form_Resize(); // restored, or the captions need other sizes
}

void fMain::Form_Resize()
{
    if (isMinimized())
        return;
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        const QSize frame = frameGeometry().size();
        const CentredPosition at = CentreForm(area.width(), area.height(), frame.width(), frame.height());
        move(area.left() + roundToInt(at.left), area.top() + roundToInt(at.top));
    }
    CreatorRects r;
    r.Drive1 = BoxOf(browser_->Drive());
    r.Dir1 = BoxOf(browser_->Dir());
    r.File1 = BoxOf(browser_->File());
    r.Canvas = BoxOf(canvas_);
    // The layout works from the buttons' own size, not one widened for a caption.
    r.cmdCreate = Spec("cmdCreate").rect;
    r.cmdSave = Spec("cmdSave").rect;
    r.cmdClose = Spec("cmdClose").rect;
    r.Progress = BoxOf(progress_);
    r.Info = BoxOf(info_);
    LayoutCreator(width(), height(), r);
    SetBox(browser_->Drive(), r.Drive1);
    SetBox(browser_->Dir(), r.Dir1);
    SetBox(browser_->File(), r.File1);
    SetBox(canvas_, r.Canvas); // the canvas lays itself out again
    SetBox(progress_, r.Progress);
    SetBox(info_, r.Info);
    WidenForCaptions(r);
}

void fMain::WidenForCaptions(CreatorRects& r)
{
    // A caption too wide (or too tall) for its control in the window's font
    // widens the control about its centre; the text keeps its size.
    const QFontMetrics metrics(font());
    LayoutBox actual = Spec("lblActual").rect;
    actual.left = roundToInt(r.lblActualLeft);
    SetBox(lblActual_, CaptionFit(lblActual_, actual, metrics));
    SetBox(Label1_, CaptionFit(Label1_, Spec("Label1").rect, metrics));
    SetBox(Label2_, CaptionFit(Label2_, Spec("Label2").rect, metrics));
    SetBox(cmdCreate_, CaptionFit(cmdCreate_, r.cmdCreate, metrics));
    SetBox(cmdSave_, CaptionFit(cmdSave_, r.cmdSave, metrics));
    SetBox(cmdClose_, CaptionFit(cmdClose_, r.cmdClose, metrics));
}

// ---- loading a picture ----------------------------------------------------

void fMain::File1_Click()
{
    const std::filesystem::path full = browser_->SelectedPath();
    if (full.empty())
        return;
    // A file that cannot be read or decoded leaves everything as it was and says why.
    try {
        DecodedPicture picture = LoadPictureFile(full);
        std::error_code ec;
        const std::uintmax_t bytes = std::filesystem::file_size(full, ec);
        ShowPicture(picture, ec ? 0 : bytes);
    } catch (const FileError& e) {
        ShowPathMessage(QStringLiteral("Cannot open "), e.file(), ": " + QString::fromStdString(e.reason()));
        return;
    } catch (const Error& e) {
        ShowPathMessage(QStringLiteral("Cannot open "), full, ": " + QString::fromStdString(e.what()));
        return;
    } catch (const std::bad_alloc&) {
        ShowPathMessage(QStringLiteral("Cannot open "), full, QStringLiteral(": not enough memory"));
        return;
    }
    ClearSnapshots();
    PushSnapshot();
    currentFile_ = full;
    info_->TextFile(Native(full));
    cmdCreate_->setEnabled(true);
}

void fMain::ShowPicture(DecodedPicture& picture, std::uintmax_t fileBytes)
{
    cDIB& dib = canvas_->DIB();
    const std::int32_t previousWidth = dib.hDIB() ? dib.Width() : 0;
    const std::int32_t previousHeight = dib.hDIB() ? dib.Height() : 0;
    // Taken before the import, which takes the picture's indices over.
    std::shared_ptr<const AnimatedPart> animated = AnimatedPartOf(picture);
    pal_.Clear();
    bpp_ = static_cast<std::uint8_t>(dib.CreateFromStdPicture(&picture, pal_, *dither_));
    firstAnimated_ = animated ? static_cast<std::uint8_t>(animated->first) : 0;
    createOptions_->AnimatedPicture(std::move(animated));
    canvas_->RemoveCropRectangle();
    if (dib.Width() == previousWidth && dib.Height() == previousHeight)
        canvas_->RePaint();
    else
        canvas_->Resize();
    progress_->Max(std::max(dib.Height(), 1));
    info_->TextInfo(SizeText());
    info_->TextZoom(QString::fromStdString(FormatFileSize(static_cast<double>(fileBytes))));
}

// ---- Create Logo ----------------------------------------------------------

void fMain::cmdCreate_Click()
{
    // The steps let window events run so their texts are drawn; a close among
    // them must not take the picture and the ditherer from under the steps, so
    // the window starts afresh once the logo is done.
    creating_ = true;
    MakeLogo();
    creating_ = false;
    if (std::exchange(closedWhileCreating_, false))
        StartAfresh();
}

void fMain::MakeLogo()
{
    progress_->Max(kLogoHeight);
    info_->TextFile(QStringLiteral("Resizing..."));
    StepRelay steps(*this);
    const ConversionOptions options = createOptions_->Options();
    try {
        const CreatedLogo made = CreateLogo(canvas_->DIB(), pal_, *dither_, options, &steps);
        bpp_ = made.bpp;
        firstAnimated_ = made.firstAnimated;
    } catch (const Error& e) {
        progress_->Value(0);
        info_->TextFile(QStringLiteral("Cannot create the logo: %1").arg(QString::fromStdString(e.what())));
        return;
    } catch (const std::bad_alloc&) {
        progress_->Value(0);
        info_->TextFile(QStringLiteral("Cannot create the logo: not enough memory"));
        return;
    }
    // A kept animation stays where it was on the logo made, so it can be kept again.
    if (options.animation == LogoAnimationChoice::Keep)
        createOptions_->AnimatedPicture(options.kept);
    canvas_->RePaint();
    cmdSave_->setEnabled(true);
    info_->TextFile(QStringLiteral("Processing Complete - Click \"Save Logo\""));
    info_->TextInfo(SizeText());
    info_->TextZoom(QString::fromStdString(OptionsTag(options)));
}

void fMain::Canvas_DIBProgressEnd()
{
    progress_->Value(0);
    bpp_ = 24; // every whole-picture transformation leaves 32-bit pixels
    // ...and may move any pixel: the canvas is no longer the animated logo loaded.
    firstAnimated_ = 0;
    createOptions_->AnimatedPicture(nullptr);
    info_->TextInfo(SizeText());
    PushSnapshot();
}

// ---- Save Logo ------------------------------------------------------------

void fMain::cmdSave_Click()
{
    // The folder of the last logo saved; before any, the pictures folder (or
    // home), never the folder the program happened to be started from.
    const QString last = settings_.Read(QStringLiteral("SavePath"));
    const QString folder = !last.isEmpty()              ? QFileInfo(last).absolutePath()
                           : !picturesFolder_.empty() ? Native(picturesFolder_)
                                                      : QDir::homePath();
    const std::optional<QString> chosen = saveDialog_.Ask(
        this, {QStringLiteral("Save Logo As"), QStringLiteral("Bitmap files (*.bmp)"), QStringLiteral("bmp"), folder});
    if (!chosen || chosen->isEmpty())
        return;
    const std::filesystem::path path = FromText(*chosen);
    try {
        SaveLogo(path, canvas_->DIB(), pal_, *dither_, bpp_, firstAnimated_);
    } catch (const Error& e) {
        // The old file, the strip and "SavePath" stay as they were.
        const FileError* fileError = dynamic_cast<const FileError*>(&e);
        const std::string why = fileError ? FileReason(fileError->file(), fileError->reason()) : std::string(e.what());
        messages_.Warning(this, QStringLiteral("Save Logo"),
                          QString::fromStdString(AsSentence(why + ", so the logo was not saved")));
        return;
    }
    currentFile_ = path;
    browser_->Refresh();
    emit LogoSaved(*chosen);
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    ShowPathMessage(QStringLiteral("Saved - "), path, {});
    info_->TextZoom(ec ? QString() : QString::fromStdString(FormatFileSize(static_cast<double>(bytes))));
    settings_.Write(QStringLiteral("SavePath"), *chosen);
}

// ---- the strip's messages about a file --------------------------------------

void fMain::ShowPathMessage(const QString& prefix, const std::filesystem::path& path, const QString& suffix)
{
    pathMessage_ = PathMessage{prefix, Native(path), suffix, {}};
    FitPathMessage();
}

void fMain::FitPathMessage()
{
    // Only while the strip still shows the message: another text has replaced it.
    if (!pathMessage_ || (!pathMessage_->shown.isNull() && info_->TextFile() != pathMessage_->shown)) {
        pathMessage_.reset();
        return;
    }
    pathMessage_->shown = quillmere::FitPathMessage(pathMessage_->prefix, pathMessage_->path, pathMessage_->suffix,
                                                    QFontMetrics(info_->font()), info_->TextFileWidth());
    info_->TextFile(pathMessage_->shown);
}

// ---- closing --------------------------------------------------------------

void fMain::cmdClose_Click()
{
    ClearSnapshots();
    settings_.Write(QStringLiteral("CPath"), Native(browser_->Path()));
    close();
}

void fMain::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted())
        return;
    if (creating_)
        closedWhileCreating_ = true;
    else
        StartAfresh();
}

void fMain::StartAfresh()
{
    // Whichever way the window goes, nothing of this picture stays: not its
    // scratch files, its palette, its indices, nor a preview of it.
    for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (w->isWindow() && w->isVisible())
            w->close();
    snapshots_.Release();
    pal_.Clear();
    dither_->SetProgressObserver(nullptr);
    dither_ = std::make_unique<cDIBDither>();
    dither_->SetProgressObserver(ditherRelay_.get());
    bpp_ = 0;
    firstAnimated_ = 0;
    createOptions_->AnimatedPicture(nullptr);
    currentFile_.clear();
    canvas_->DIB().Destroy();
    canvas_->RemoveCropRectangle();
    try {
        canvas_->Resize();
    } catch (const Error&) {
        // An empty canvas lays out without arithmetic.
    }
    progress_->Value(0);
    pathMessage_.reset();
    info_->TextFile({});
    info_->TextInfo({});
    info_->TextZoom({});
    cmdCreate_->setEnabled(false);
    cmdSave_->setEnabled(false);
    closed_ = true;
}

// ---- snapshots --------------------------------------------------------------

void fMain::ClearSnapshots() { snapshots_.Clear(); }

void fMain::PushSnapshot()
{
    // A snapshot that cannot be made is skipped: nothing reads it back.
    try {
        snapshots_.Push([&](const SnapshotHistory::Sink& sink) {
            const std::string name = snapshots_.FileName(snapshots_.Index()).string();
            cDIBSave::Encode_BMP(name, canvas_->DIB(), pal_, *dither_, bpp_, sink);
        });
    } catch (const Error&) {
    } catch (const std::bad_alloc&) {
    }
}

} // namespace quillmere
