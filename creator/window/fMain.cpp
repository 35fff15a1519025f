#include "creator/window/fMain.h"

#include "desktop/Dialogs.h"
#include "desktop/SettingsStore.h"
#include "creator/window/CreateOptionsMenu.h"
#include "creator/window/CreatorFont.h"
#include "creator/CreatorLayout.h"
#include "creator/window/CreatorPreview.h"
#include "creator/SizeIt.h"
#include "creator/window/StripText.h"
#include "imaging/Errors.h"
#include "imaging/Numeric.h"
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
#include <new>
#include <utility>

namespace quillmere {

namespace {

QString Native(const std::filesystem::path& p)
{
    return QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(p.native())));
}

QString Text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

std::filesystem::path FromText(const QString& text) { return QFile::encodeName(text).toStdString(); }

LayoutBox BoxOf(const QWidget* w) { return {w->x(), w->y(), w->width(), w->height()}; }
void SetBox(QWidget* w, const LayoutBox& b) { w->setGeometry(b.left, b.top, b.width, b.height); }

} // namespace

// The ditherer's rows go to the progress bar; its end leaves a snapshot.
class fMain::DitherRelay final : public ProgressObserver {
public:
    explicit DitherRelay(fMain& w) : w_(w) {}
    void Progress(std::int32_t row) override { w_.progress_->Value(row); }
    void ProgressEnd() override
    {
        w_.progress_->Value(0);
        w_.picture_.PushSnapshot(w_.canvas_->DIB());
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
        w_.info_->TextFile(Text(kConvertingText));
        w_.picture_.Converting();
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
      picturesFolder_(platform.picturesFolder), ditherRelay_(std::make_unique<DitherRelay>(*this))
{
    setWindowTitle(QStringLiteral("Logo Creator"));
    browser_ = new FileBrowser(this, SystemDrives(platform.driveC), std::string(kPicturePattern));
    BuildControls();
    setFont(WindowFont(font()));
    resize(kCreatorClientWidth, kCreatorClientHeight);

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
    picture_.ObserveDither(ditherRelay_.get());
    // The native window id is unique to this window among the process's windows.
    picture_.KeepSnapshotsIn(platform.tempFolder, FromText(QDir::tempPath()), static_cast<std::uint64_t>(winId()));
}

fMain::~fMain() { picture_.ObserveDither(nullptr); }

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
    for (const CreatorControl& c : kCreatorControls) {
        QWidget* w = nullptr;
        switch (c.kind) {
        case CreatorControlKind::Label: {
            auto* label = new QLabel(QString::fromUtf8(c.caption), this);
            const std::string_view name = c.name;
            (name == "lblActual" ? lblActual_ : name == "Label1" ? Label1_ : Label2_) = label;
            w = label;
            break;
        }
        case CreatorControlKind::DriveList: w = browser_->Drive(); break;
        case CreatorControlKind::FolderList: w = browser_->Dir(); break;
        case CreatorControlKind::FileList: w = browser_->File(); break;
        case CreatorControlKind::Canvas: w = canvas_ = new ucCanvas(this); break;
        case CreatorControlKind::Button: {
            auto* button = new QPushButton(QString::fromUtf8(c.caption), this);
            const std::string_view name = c.name;
            (name == "cmdCreate" ? cmdCreate_ : name == "cmdSave" ? cmdSave_ : cmdClose_) = button;
            w = button;
            break;
        }
        case CreatorControlKind::ProgressBar: w = progress_ = new ucProgress(this); break;
        case CreatorControlKind::InfoStrip: w = info_ = new ucInfo(this); break;
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
    return Text(quillmere::SizeText(dib.Width(), dib.Height(), picture_.Bpp()));
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
    r.cmdCreate = CreatorControlNamed("cmdCreate").rect;
    r.cmdSave = CreatorControlNamed("cmdSave").rect;
    r.cmdClose = CreatorControlNamed("cmdClose").rect;
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
    LayoutBox actual = CreatorControlNamed("lblActual").rect;
    actual.left = roundToInt(r.lblActualLeft);
    SetBox(lblActual_, CaptionFit(lblActual_, actual, metrics));
    SetBox(Label1_, CaptionFit(Label1_, CreatorControlNamed("Label1").rect, metrics));
    SetBox(Label2_, CaptionFit(Label2_, CreatorControlNamed("Label2").rect, metrics));
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
        ShowPathMessage(CannotOpenMessage(Native(e.file()).toStdString(), e.reason()));
        return;
    } catch (const Error& e) {
        ShowPathMessage(CannotOpenMessage(Native(full).toStdString(), e.what()));
        return;
    } catch (const std::bad_alloc&) {
        ShowPathMessage(CannotOpenMessage(Native(full).toStdString(), "not enough memory"));
        return;
    }
    picture_.Loaded(full, canvas_->DIB());
    info_->TextFile(Native(full));
    cmdCreate_->setEnabled(true);
}

void fMain::ShowPicture(DecodedPicture& picture, std::uintmax_t fileBytes)
{
    cDIB& dib = canvas_->DIB();
    const std::int32_t previousWidth = dib.hDIB() ? dib.Width() : 0;
    const std::int32_t previousHeight = dib.hDIB() ? dib.Height() : 0;
    createOptions_->AnimatedPicture(picture_.Import(picture, dib));
    canvas_->RemoveCropRectangle();
    if (dib.Width() == previousWidth && dib.Height() == previousHeight)
        canvas_->RePaint();
    else
        canvas_->Resize();
    progress_->Max(std::max(dib.Height(), 1));
    info_->TextInfo(SizeText());
    info_->TextZoom(Text(FormatFileSize(static_cast<double>(fileBytes))));
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
    info_->TextFile(Text(kResizingText));
    StepRelay steps(*this);
    const ConversionOptions options = createOptions_->Options();
    if (const std::optional<std::string> failure = picture_.Create(canvas_->DIB(), options, &steps)) {
        progress_->Value(0);
        info_->TextFile(Text(CannotCreateText(*failure)));
        return;
    }
    // A kept animation stays where it was on the logo made, so it can be kept again.
    if (options.animation == LogoAnimationChoice::Keep)
        createOptions_->AnimatedPicture(options.kept);
    canvas_->RePaint();
    cmdSave_->setEnabled(true);
    info_->TextFile(Text(kCreatedText));
    info_->TextInfo(SizeText());
    info_->TextZoom(Text(FitOptionsTag(options, WidthIn(info_->font()), info_->FieldTextWidth(ucInfo::ZoomField))),
                    Text(OptionsTag(options)));
}

void fMain::Canvas_DIBProgressEnd()
{
    progress_->Value(0);
    picture_.Transformed(canvas_->DIB());
    createOptions_->AnimatedPicture(nullptr);
    info_->TextInfo(SizeText());
}

// ---- Save Logo ------------------------------------------------------------

void fMain::cmdSave_Click()
{
    const QString folder = Native(SaveDialogFolder(FromText(settings_.Read(QStringLiteral("SavePath"))),
                                                   picturesFolder_, FromText(QDir::homePath())));
    const std::optional<QString> chosen = saveDialog_.Ask(
        this, {QStringLiteral("Save Logo As"), QStringLiteral("Bitmap files (*.bmp)"), QStringLiteral("bmp"), folder});
    if (!chosen || chosen->isEmpty())
        return;
    const std::filesystem::path path = FromText(*chosen);
    if (const std::optional<std::string> warning = picture_.Save(path, canvas_->DIB())) {
        // The old file, the strip and "SavePath" stay as they were.
        messages_.Warning(this, QStringLiteral("Save Logo"), Text(*warning));
        return;
    }
    browser_->Refresh();
    emit LogoSaved(*chosen);
    std::error_code ec;
    const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
    ShowPathMessage(SavedMessage(Native(path).toStdString()));
    info_->TextZoom(ec ? QString() : Text(FormatFileSize(static_cast<double>(bytes))));
    settings_.Write(QStringLiteral("SavePath"), *chosen);
}

// ---- the strip's messages about a file --------------------------------------

void fMain::ShowPathMessage(PathMessage message)
{
    pathMessage_.Show(std::move(message));
    FitPathMessage();
}

void fMain::FitPathMessage()
{
    const std::optional<std::string> shown =
        pathMessage_.Fit(info_->TextFile().toStdString(), WidthIn(info_->font()), info_->TextFileWidth());
    if (shown)
        info_->TextFile(Text(*shown), Text(pathMessage_.Whole()));
}

// ---- closing --------------------------------------------------------------

void fMain::cmdClose_Click()
{
    picture_.ClearSnapshots();
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
    picture_.Release();
    createOptions_->AnimatedPicture(nullptr);
    canvas_->DIB().Destroy();
    canvas_->RemoveCropRectangle();
    try {
        canvas_->Resize();
    } catch (const Error&) {
        // An empty canvas lays out without arithmetic.
    }
    progress_->Value(0);
    pathMessage_.Forget();
    info_->TextFile({});
    info_->TextInfo({});
    info_->TextZoom({});
    cmdCreate_->setEnabled(false);
    cmdSave_->setEnabled(false);
    closed_ = true;
}

} // namespace quillmere
