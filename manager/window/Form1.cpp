#include "Form1.h"

#include "BootPreviewLinks.h"
#include "ManagerControls.h"
#include "SetsPages.h"
#include "StartDrive.h"
#include "about/frmAbout.h"
#include "userguide/GuideLocation.h"
#include "desktop/DocumentOpener.h"
#include "desktop/QtText.h"
#include "desktop/SettingsStore.h"
#include "creator/CreatorPicture.h"
#include "creator/window/CreatorFont.h"
#include "creator/window/fMain.h"
#include "imaging/Errors.h"
#include "drive/DriveC.h"
#include "widgets/BrowserListing.h"
#include "widgets/FileBrowser.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include <algorithm>
#include <optional>
#include <system_error>
#include <vector>

namespace quillmere {

namespace {

// Where the file browsers' drive c: leads: the drive folder; none for a disk
// image, whose files have no path on this system.
std::filesystem::path BrowsableDriveC(const DriveC& drive)
{
    return drive.IsImage() ? std::filesystem::path() : drive.Root();
}

} // namespace

Form1::Form1(const ManagerPlatform& platform, DriveC drive, QWidget* parent)
    : QWidget(parent), settings_(platform.settings), platform_(platform), state_{this, platform.messages, LogoManager(std::move(drive))},
      links_(BuiltProgramLinks(platform.programFolder))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Logo Manager"));
    setFixedSize(TwipsToPixels(kClientWidthTwips), TwipsToPixels(kClientHeightTwips));
    state_.sameDrive = [this] { return SameDrive(); };
    state_.openCreator = [this](const std::filesystem::path& folder, const std::string& fileName) {
        fMain& creator = OpenCreator();
        FileBrowser& list = creator.Browser();
        list.Path(folder);
        list.Refresh();
        // The same file by name: the creator's list may have been read at another moment.
        std::int32_t index = -1;
        if (!fileName.empty()) {
            const auto found = list.File()->findItems(QString::fromLocal8Bit(fileName), Qt::MatchExactly);
            if (!found.isEmpty())
                index = list.File()->row(found.first());
        }
        list.ListIndex(index);
    };
    setFont(WindowFont(font()));
    BuildControls();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    Form_Load();
}

Form1::~Form1() = default;

void Form1::BuildControls()
{
    const std::filesystem::path driveC = BrowsableDriveC(Manager().Drive());
    std::size_t browserCount = 0;
    QWidget* previous = nullptr;
    for (const ControlSpec& spec : ManagerControls()) {
        QWidget* parent = spec.parent.empty() ? this : findChild<QWidget*>(Text(spec.parent));
        QWidget* w = nullptr;
        switch (spec.kind) {
        case ControlKind::DriveList: {
            auto* browser = new FileBrowser(parent, SystemDrives(driveC), std::string(kPicturePattern));
            browser->Path(StartFolder());
            browsers_[browserCount++] = browser;
            w = browser->Drive();
            break;
        }
        case ControlKind::DirList:
            w = browsers_[browserCount - 1]->Dir();
            break;
        case ControlKind::FileList:
            w = browsers_[browserCount - 1]->File();
            break;
        default:
            w = MakeControl(spec, parent, [this](std::string_view name) {
                if (name == "Image8")
                    Image8_Click();
                else
                    lblChangeDrive_Click();
            });
            break;
        }
        w->setObjectName(Text(spec.name));
        w->setGeometry(Pixels(spec.twips));
        if (spec.kind == ControlKind::Button) {
            // A caption wider than its button at the window's font widens the button.
            const QRect g = w->geometry();
            const LayoutBox box = CaptionFit(w, {g.x(), g.y(), g.width(), g.height()}, QFontMetrics(w->font()));
            w->setGeometry(box.left, box.top, box.width, box.height);
        }
        if (!spec.tooltip.empty())
            w->setToolTip(Text(spec.tooltip));
        if (spec.focusable) {
            if (previous)
                setTabOrder(previous, w);
            previous = w;
        }
    }
    for (std::size_t i = 1; i < kPageFrames.size(); ++i)
        findChild<QWidget*>(Text(kPageFrames[i]))->hide();

    for (std::size_t k = 0; k < 3; ++k)
        pages_[k] = new LogoPage(static_cast<LogoKind>(k), *this, *browsers_[k], state_);
    // After a set or the originals are installed, every page shows what drive C: holds now, mark included.
    sets_ = new SetsPages(
        *this, state_,
        [this] {
            for (const LogoKind kind : {LogoKind::Wait, LogoKind::Safe, LogoKind::Startup})
                Page(kind).ShowInstalled();
        },
        {platform_.saveDialog, platform_.openDialog,
         SaveDialogFolder({}, platform_.picturesFolder, TextPath(QDir::homePath()))});
    AttachBootPreview();

    const auto button = [this](const char* name) { return findChild<QPushButton*>(QString::fromLatin1(name)); };
    connect(button("cmdStart"), &QPushButton::clicked, this, [this] { ShowPage(ManagerPage::Startup); });
    connect(button("cmdWait"), &QPushButton::clicked, this, [this] { ShowPage(ManagerPage::Wait); });
    connect(button("cmdSafe"), &QPushButton::clicked, this, [this] { ShowPage(ManagerPage::Safe); });
    connect(button("XDWButton8"), &QPushButton::clicked, this, [this] { ShowPage(ManagerPage::Originals); });
    connect(button("cmdSets"), &QPushButton::clicked, this, [this] { ShowPage(ManagerPage::Sets); });
    connect(button("XDWButton7"), &QPushButton::clicked, this, &Form1::XDWButton7_Click);
    connect(button("XDWButton11b"), &QPushButton::clicked, this, &Form1::XDWButton11b_Click);
    connect(button("cmdCreate"), &QPushButton::clicked, this, [this] { OpenCreator(); });
    connect(button("cmdHelp"), &QPushButton::clicked, this, &Form1::cmdHelp_Click);
    connect(button("Command1"), &QPushButton::clicked, this, [this] { OpenAbout(); });
    connect(button("cmdClose"), &QPushButton::clicked, this, &QWidget::close);
    // F1 opens the guide whatever the shift state: every mix of Shift, Ctrl and Alt.
    for (int mix = 0; mix < 8; ++mix) {
        Qt::KeyboardModifiers mods;
        mods.setFlag(Qt::ShiftModifier, mix & 1);
        mods.setFlag(Qt::ControlModifier, mix & 2);
        mods.setFlag(Qt::AltModifier, mix & 4);
        auto* f1 = new QShortcut(QKeyCombination(mods, Qt::Key_F1), this);
        f1->setContext(Qt::WindowShortcut);
        connect(f1, &QShortcut::activated, this, &Form1::cmdHelp_Click);
    }
}

void Form1::AttachBootPreview()
{
    auto* links = new BootPreviewLinks(*this, [this]() -> const DriveC& { return Manager().Drive(); });
    const auto box = [this](std::string_view name) { return findChild<QLabel*>(Text(name)); };
    for (std::size_t k = 0; k < 3; ++k) {
        const LogoPageNames& names = LogoPageControls()[k];
        const LogoSlot* slot = &LogoSlots()[k];
        links->Attach(box(names.current), [slot] { return BoxLogo{{}, std::string(slot->installPath)}; }, true);
        const QLineEdit* path = findChild<QLineEdit*>(Text(names.text));
        links->Attach(box(names.preview), [path] { return BoxLogo{TextPath(path->text()), {}}; }, false);
        links->Attach(box(kOriginalPictures[k]), [slot] { return BoxLogo{{}, BackupPath(*slot, kOriginalsBackup)}; },
                      false);
    }
    for (int set = kFirstSet; set <= kLastSet; ++set)
        links->Attach(
            box(SetControls()[static_cast<std::size_t>(set - 1)].thumbnail),
            [set] { return BoxLogo{{}, BackupPath(SlotOf(LogoKind::Startup), SetBackupNumber(set))}; }, false,
            [this, set](QMenu& menu) { sets_->AddZipItems(menu, set); });
}

void Form1::Form_Load()
{
    LoadDrive();
    // The page folders from the settings; one that no longer exists is skipped,
    // and its page stays on the folder it started with.
    for (const LogoSlot& slot : LogoSlots()) {
        const QString stored = settings_.Read(Text(slot.settingsKey), PathText(StartFolder()));
        LogoPage& page = Page(slot.kind);
        page.SetPathField(stored);
        std::error_code ec;
        const std::filesystem::path folder = TextPath(stored);
        if (!folder.empty() && std::filesystem::is_directory(folder, ec))
            page.Browser().Path(folder);
    }
    QCoreApplication::processEvents();
    emit Loaded();
}

void Form1::LoadDrive()
{
    // StartUp tells every failure in its report and never throws; nothing
    // else here may end the window either.
    const StartupReport report = Manager().StartUp();
    QCoreApplication::processEvents();
    // Each page's mark and picture by the same rule as after an install.
    for (const LogoKind kind : {LogoKind::Wait, LogoKind::Safe, LogoKind::Startup})
        Page(kind).ShowInstalled();
    sets_->LoadThumbnails();
    ShowDriveLine();
    if (report.failed) {
        QString lines;
        for (const FileResult& r : report.files)
            if (!r.done && !r.sourceMissing)
                lines += Text(Describe(r)) + u'\n';
        state_.messages.Warning(this, QStringLiteral("Logo Manager"),
                                QStringLiteral("Drive C: could not be fully prepared.\n%1").arg(lines.trimmed()));
    }
}

std::filesystem::path Form1::StartFolder() const
{
    return platform_.picturesFolder.empty() ? platform_.programFolder : platform_.picturesFolder;
}

void Form1::ShowDriveLine()
{
    auto* line = findChild<QLabel*>(QStringLiteral("lblDriveC"));
    const DriveC& drive = Manager().Drive();
    const QString name = PathText(drive.IsImage() ? drive.Root().filename() : drive.Root());
    // The line is short: the format (of an image that is not raw) and the
    // partition's number follow the name, which the tooltip spells out, and a
    // long name gives way in its middle.
    const QString prefix = QStringLiteral("C: ");
    QStringList notes;
    if (const std::string format = drive.FormatName(); !format.empty())
        notes << Text(format);
    if (drive.Partition() != 0)
        notes << QString::number(drive.Partition());
    const QString suffix = notes.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(notes.join(QStringLiteral(", ")));
    const QFontMetrics metrics = line->fontMetrics();
    const int room = std::max(0, line->width() - metrics.horizontalAdvance(prefix + suffix));
    line->setText(prefix + metrics.elidedText(name, Qt::ElideMiddle, room) + suffix);
    line->setToolTip(QStringLiteral("Drive C: is %1").arg(Text(drive.Description())));
}

ManagerPage Form1::VisiblePage() const
{
    for (std::size_t i = 0; i < kPageFrames.size(); ++i)
        if (findChild<QWidget*>(Text(kPageFrames[i]))->isVisibleTo(this))
            return static_cast<ManagerPage>(i);
    return ManagerPage::Startup;
}

void Form1::ShowPage(ManagerPage page)
{
    for (std::size_t i = 0; i < kPageFrames.size(); ++i)
        findChild<QWidget*>(Text(kPageFrames[i]))->setVisible(i == static_cast<std::size_t>(page));
}

void Form1::XDWButton7_Click()
{
    for (const char* name : {"FraStart", "FraWait", "FraSafe", "FraSets"})
        findChild<QWidget*>(QString::fromLatin1(name))->hide();
    findChild<QWidget*>(QStringLiteral("FraSet2"))->show();
}

void Form1::XDWButton11b_Click()
{
    for (const char* name : {"FraStart", "FraWait", "FraSafe", "FraSet2"})
        findChild<QWidget*>(QString::fromLatin1(name))->hide();
    findChild<QWidget*>(QStringLiteral("FraSets"))->show();
}

fMain& Form1::OpenCreator()
{
    if (!creator_) {
        const DriveC& drive = Manager().Drive();
        creator_ = new fMain(CreatorPlatform{settings_, platform_.saveDialog, platform_.creatorMessages,
                                             BrowsableDriveC(drive), platform_.tempFolder,
                                             platform_.picturesFolder},
                             this);
        creator_->setWindowFlag(Qt::Window);
        // A logo saved there shows up in every page's list.
        connect(creator_, &fMain::LogoSaved, this, [this] {
            for (FileBrowser* browser : browsers_)
                browser->Refresh();
        });
    }
    creator_->show();
    creator_->raise();
    return *creator_;
}

frmAbout& Form1::OpenAbout()
{
    if (!about_) {
        about_ = new frmAbout(AboutPlatform{platform_.opener, platform_.creatorMessages, platform_.registry,
                                            platform_.processes, links_},
                              this);
        about_->setWindowFlag(Qt::Window);
    }
    // Centred over the Logo Manager each time it opens; a window manager may
    // still place it otherwise. The client areas are centred: a window not yet
    // shown has no frame to measure.
    if (!about_->isVisible()) {
        QRect area(QPoint(), about_->size());
        area.moveCenter(geometry().center());
        about_->setGeometry(area);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
    return *about_;
}

void Form1::cmdHelp_Click()
{
    // A help file shipped beside the program comes first; else the HTML guide
    // of this build or installation. With neither there is nothing to open.
    const std::filesystem::path helpFile = platform_.programFolder / std::string(kHelpFile);
    std::error_code ec;
    QString target;
    if (std::filesystem::is_regular_file(helpFile, ec))
        target = PathText(helpFile);
    else if (const std::optional<std::filesystem::path> page = FindGuidePage(platform_.programFolder))
        target = PathText(*page);
    Open(target);
}

void Form1::Image8_Click() { Open(QString::fromStdString(links_.home)); }

void Form1::Open(const QString& target)
{
    if (!target.isEmpty() && !platform_.opener.Open(target))
        state_.messages.Information(this, QStringLiteral("Logo Manager"), NotOpenedText(target));
}

void Form1::lblChangeDrive_Click()
{
    // Drive C: is either kind; a small menu asks which before the chooser opens.
    auto* link = findChild<QWidget*>(QStringLiteral("lblChangeDrive"));
    auto* menu = new QMenu(link);
    menu->setObjectName(QStringLiteral("mnuChangeDrive"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const DriveC& drive = Manager().Drive();
    // Either chooser starts where drive C: is now: its folder, or the image's folder.
    const std::filesystem::path start = drive.IsImage() ? drive.Root().parent_path() : drive.Root();
    menu->addAction(QStringLiteral("Folder..."), this, [this, start] {
        if (const auto chosen = platform_.folders.Choose(this, QStringLiteral("Drive C: Folder"), start))
            ChangeDriveC(*chosen);
    });
    menu->addAction(QStringLiteral("Disk Image..."), this, [this, start] {
        if (const auto chosen = platform_.folders.ChooseImage(this, QStringLiteral("Drive C: Disk Image"), start))
            ChangeDriveC(*chosen);
    });
    menu->popup(link->mapToGlobal(QPoint(0, link->height())));
}

bool Form1::ChangeDriveC(const std::filesystem::path& choice)
{
    std::optional<DriveC> drive;
    try {
        drive.emplace(DriveC::Open(choice.string()));
    } catch (const std::exception& e) {
        state_.messages.Warning(this, QStringLiteral("Drive C:"), QString::fromLocal8Bit(e.what()));
        return false;
    }
    UseDrive(std::move(*drive));
    // Kept only once it has opened, so a choice that cannot never locks the
    // next start out.
    settings_.Write(QStringLiteral("DriveC"), PathText(choice));
    return true;
}

void Form1::UseDrive(DriveC drive)
{
    state_.manager = LogoManager(std::move(drive));
    const std::filesystem::path driveC = BrowsableDriveC(Manager().Drive());
    for (FileBrowser* browser : browsers_)
        browser->Drives(SystemDrives(driveC));
    if (creator_)
        creator_->Browser().Drives(SystemDrives(driveC));
    LoadDrive();
    emit Loaded();
}

bool Form1::SameDrive()
{
    if (!Manager().Drive().Replaced())
        return true;
    ReopenedDrive again = OpenDriveAgain(Manager().Drive());
    state_.messages.Warning(this, QStringLiteral("Drive C:"), again.text);
    if (again.drive)
        UseDrive(std::move(*again.drive));
    return false;
}

void Form1::closeEvent(QCloseEvent* event)
{
    for (const LogoSlot& slot : LogoSlots())
        settings_.Write(Text(slot.settingsKey), PathText(Browser(slot.kind).Path()));
    // Every other window of the program goes with this one.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w != this && w->isVisible())
            w->close();
    if (creator_)
        creator_->close();
    if (about_)
        about_->close();
    event->accept();
}

} // namespace quillmere
