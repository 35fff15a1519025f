// The Logo Manager window offscreen: a temporary drive C:, settings in memory,
// messages, the "open" handler and the chooser of drive C: answered by doubles.
#include "manager/window/Form1.h"

#include "support/CraftedImage.h"
#include "support/ImageFixture.h"
#include "about/frmAbout.h"
#include "userguide/GuideLocation.h"
#include "desktop/ProgramLinks.h"
#include "desktop/QtText.h"
#include "desktop/SettingsStore.h"
#include "creator/window/CreatorFont.h"
#include "creator/window/fMain.h"
#include "imaging/Errors.h"
#include "manager/LogoFormat.h"
#include "manager/window/BootPreviewLinks.h"
#include "manager/window/BoxPicture.h"
#include "drive/DriveC.h"
#include "manager/window/ManagerLayout.h"
#include "manager/window/SetsPages.h"
#include "manager/window/StartDrive.h"
#include "preview/window/BootPreviewWindow.h"
#include "support/AboutDoubles.h"
#include "support/ManagerDoubles.h"
#include "support/PictureFixtures.h"
#include "support/PlatformDoubles.h"
#include "widgets/FileBrowser.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

QString Text(const fs::path& p) { return QString::fromStdString(p.string()); }
QString Text(const std::string& s) { return QString::fromStdString(s); }

// w sits in box, or, a button whose caption needs more room at the window's
// font, in box widened about its centre just enough for the caption.
void ExpectInBox(const QWidget* w, const QRect& box)
{
    const auto* button = qobject_cast<const QPushButton*>(w);
    QString caption = button ? button->text() : QString();
    caption.remove(u'&');
    const int needed = QFontMetrics(w->font()).horizontalAdvance(caption) + kButtonMargin;
    if (!button || needed <= box.width()) {
        EXPECT_EQ(w->geometry(), box);
        return;
    }
    EXPECT_EQ(w->width(), needed);
    EXPECT_LE(std::abs((w->x() * 2 + w->width()) - (box.x() * 2 + box.width())), 1);
    EXPECT_EQ(w->y(), box.y());
    EXPECT_EQ(w->height(), box.height());
}

constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00, kYellow = 0xFFFF00;

// A standard 129078-byte logo: 320 x 400 at 8 bits, the left half in colour
// left and the right half in colour right.
Bytes Logo(std::uint32_t left, std::uint32_t right)
{
    std::vector<std::uint32_t> colours(256, 0);
    colours[0] = left;
    colours[1] = right;
    Bytes rows(320 * 400, 0);
    for (std::size_t y = 0; y < 400; ++y)
        std::fill(rows.begin() + static_cast<std::ptrdiff_t>(y * 320 + 160),
                  rows.begin() + static_cast<std::ptrdiff_t>(y * 320 + 320), 1);
    return testing::BmpFile(320, 400, 8, colours, rows);
}

class ManagerWindowTest : public ::testing::Test, protected testing::ManagerFakes {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("quillmere-manager-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        drive = root / "drive_c";
        program = root / "program";
        pictures = root / "pictures";
        for (const fs::path& p : {drive / "WINDOWS", program, pictures})
            fs::create_directories(p);
    }
    void TearDown() override
    {
        window.reset();
        fs::remove_all(root);
    }

    static void Put(const fs::path& file, const Bytes& bytes)
    {
        fs::create_directories(file.parent_path());
        testing::WriteBytes(file, bytes);
    }

    Form1& Open(const fs::path& driveRoot = {}) { return Open(DriveC(driveRoot.empty() ? drive : driveRoot)); }
    Form1& Open(DriveC driveC)
    {
        window.reset();
        ManagerPlatform platform = Platform(program, root / "snaps");
        platform.picturesFolder = picturesStart;
        window = std::make_unique<Form1>(platform, std::move(driveC));
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    // "Change..." in the header, then the item of its menu.
    void ChangeDrive(const QString& item)
    {
        QTest::mouseClick(Get("lblChangeDrive"), Qt::LeftButton);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        QStringList items;
        for (const QAction* action : menu->actions())
            items.push_back(action->text());
        EXPECT_EQ(items, (QStringList{QStringLiteral("Folder..."), QStringLiteral("Disk Image...")}));
        for (QAction* action : menu->actions())
            if (action->text() == item)
                action->trigger();
        menu->close();
    }

    template <class T = QWidget> T* Get(std::string_view name) const
    {
        T* w = window->findChild<T*>(Text(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    void Click(std::string_view button) { QTest::mouseClick(Get<QPushButton>(button), Qt::LeftButton); }

    // A click on the named file in a page's file list.
    void Select(LogoKind kind, const fs::path& file)
    {
        FileBrowser& browser = window->Browser(kind);
        browser.Path(file.parent_path());
        browser.Refresh();
        const auto found = browser.File()->findItems(Text(file.filename()), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << file;
        browser.ListIndex(browser.File()->row(found.first()));
    }

    // The picture a box shows; null when it is empty.
    QImage Picture(std::string_view box) const
    {
        const QPixmap pixmap = Get<QLabel>(box)->pixmap();
        return pixmap.isNull() ? QImage() : pixmap.toImage().convertToFormat(QImage::Format_RGB32);
    }
    // The colours of a box's left and right quarter, 0x00RRGGBB; ~0 for an empty box.
    std::pair<std::uint32_t, std::uint32_t> Colours(std::string_view box) const
    {
        const QImage image = Picture(box);
        if (image.isNull())
            return {~0u, ~0u};
        return {image.pixel(image.width() / 4, image.height() / 2) & 0xFFFFFF,
                image.pixel(image.width() * 3 / 4, image.height() / 2) & 0xFFFFFF};
    }

    fs::path root, drive, program, pictures;
    // The user's pictures folder, where file lists open without a kept folder; empty: the program's.
    fs::path picturesStart;
    std::unique_ptr<Form1> window;
};

// Every control of the table sits where the table says, in pixels, with its
// caption, parent and tooltip; and the table itself holds the measures of the
// layout in pixels (twips / 15).
TEST_F(ManagerWindowTest, ControlsFollowTheTable)
{
    Open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Logo Manager"));
    EXPECT_EQ(window->size(), QSize(644, 356));
    for (const ControlSpec& spec : ManagerControls()) {
        SCOPED_TRACE(spec.name);
        QWidget* w = Get(spec.name);
        ASSERT_NE(w, nullptr);
        const QRect expected(TwipsToPixels(spec.twips.left), TwipsToPixels(spec.twips.top),
                             TwipsToPixels(spec.twips.width), TwipsToPixels(spec.twips.height));
        ExpectInBox(w, expected);
        EXPECT_EQ(w->parentWidget()->objectName(), spec.parent.empty() ? QStringLiteral("Form1") : Text(spec.parent));
        if (spec.name != "lblDriveC" && spec.name != "chkBootLogo") { // say what the drive holds, set at start-up
            EXPECT_EQ(w->toolTip(), Text(spec.tooltip));
        }
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(button->text(), Text(spec.caption));
        }
        if (auto* frame = qobject_cast<QGroupBox*>(w)) {
            EXPECT_EQ(frame->title(), Text(spec.caption));
        }
    }

    struct Case {
        const char* name;
        QRect pixels;
        const char* caption;
    };
    static const Case kCases[] = {
        // Header band, separator, side panel.
        {"lblScreen", {0, 0, 644, 56}, ""},
        {"Image7", {24, 8, 48, 48}, ""},
        {"Image9", {172, 0, 300, 50}, ""},
        {"Image8", {592, 16, 32, 32}, ""},
        {"Line1", {0, 56, 644, 1}, ""},
        {"Line2", {0, 57, 644, 1}, ""},
        {"Picture1", {539, 73, 97, 273}, ""},
        // The nine side buttons: 81 x 23, 29 apart.
        {"cmdStart", {6, 8, 81, 23}, "&Startup Logo"},
        {"cmdWait", {6, 37, 81, 23}, "Wait &Logo"},
        {"cmdSafe", {6, 66, 81, 23}, "&Safe Logo"},
        {"XDWButton8", {6, 95, 81, 23}, "Origi&nals"},
        {"cmdSets", {6, 124, 81, 23}, "Logo Se&ts"},
        {"cmdCreate", {6, 153, 81, 23}, "Logo Cr&eator"},
        {"cmdHelp", {6, 182, 81, 23}, "&Help"},
        {"Command1", {6, 211, 81, 23}, "&About"},
        {"cmdClose", {6, 240, 81, 23}, "&Close"},
        // Pages: the set pages are wider.
        {"FraStart", {8, 67, 511, 281}, "Startup Logo"},
        {"FraSets", {8, 67, 527, 281}, "Logo Sets"},
        {"FraSet2", {8, 67, 527, 281}, "Logos Set 2"},
        {"FraOrig", {8, 67, 511, 281}, "Your Originals"},
        // A logo page: two 161 x 201 boxes, the browser, the buttons.
        {"Image2", {11, 40, 161, 201}, ""},
        {"Image6", {184, 40, 161, 201}, ""},
        {"Drive3", {355, 40, 145, 21}, ""},
        {"Dir3", {355, 64, 145, 81}, ""},
        {"File3", {355, 144, 145, 97}, ""},
        {"Command9a", {216, 248, 97, 23}, "&Install This Logo"},
        {"cmdSend3", {379, 248, 97, 23}, "Con&vert File"},
        // The set pages: five columns 104 apart, 97 x 121 thumbnails.
        {"Command15a", {8, 40, 97, 23}, "Save Set &1"},
        {"Image20", {8, 69, 97, 121}, ""},
        {"Command10a", {8, 200, 97, 23}, "&Install Set 1"},
        {"XDWButton5b", {424, 40, 97, 23}, "Save Set &10"},
        {"Image5b", {424, 69, 97, 121}, ""},
        {"XDWButton10b", {424, 200, 97, 23}, "Inst&all Set 10"},
        {"XDWButton7", {424, 248, 97, 23}, "L&ogo Sets 6-10"},
        {"XDWButton11b", {424, 248, 97, 23}, "L&ogo Sets 1-5"},
        // The originals.
        {"Image3c", {344, 40, 161, 201}, ""},
        {"Command6a", {408, 248, 97, 23}, "&Restore Originals"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        QWidget* w = Get(c.name);
        ASSERT_NE(w, nullptr);
        ExpectInBox(w, c.pixels);
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            EXPECT_EQ(button->text(), QString::fromUtf8(c.caption));
        }
    }
    EXPECT_EQ(Get("Image8")->toolTip(), QStringLiteral("Visit Vornholt"));
    EXPECT_EQ(Get("File1")->toolTip(), QStringLiteral("Click a file to preview"));
    // The link pointer comes with the first move over the web link.
    EXPECT_FALSE(Get("Image8")->testAttribute(Qt::WA_SetCursor));
}

// Focus alone chooses nothing: Tab into a page's file list and on to Install
// This Logo, Space there, and neither the preview nor drive C: changes; a
// click on the list's empty part chooses nothing either; an arrow key chooses.
TEST_F(ManagerWindowTest, FocusAloneChoosesNoFile)
{
    Put(pictures / "one.bmp", Logo(kGreen, kRed));
    Put(pictures / "two.bmp", Logo(kYellow, kRed));
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    Open();
    const LogoPageNames& page = LogoPageControls()[0]; // Startup
    window->Browser(LogoKind::Startup).Path(pictures);
    auto* list = Get<QListWidget>(page.file);
    ASSERT_EQ(list->count(), 2);
    const Bytes installed = testing::ReadBytes(drive / "logo.sys");
    const auto unchanged = [&](const char* after) {
        SCOPED_TRACE(after);
        EXPECT_EQ(Get<QLabel>(page.verdict)->text(), QStringLiteral("Preview Window"));
        EXPECT_TRUE(Picture(page.preview).isNull());
        EXPECT_EQ(window->Browser(LogoKind::Startup).ListIndex(), -1);
        EXPECT_EQ(testing::ReadBytes(drive / "logo.sys"), installed);
    };
    QApplication::setActiveWindow(window.get());
    Get(page.dir)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list);
    unchanged("Tab into the list");
    for (int tabs = 0; tabs < 8 && QApplication::focusWidget() != Get(page.install); ++tabs)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), Get(page.install));
    QTest::keyClick(Get(page.install), Qt::Key_Space);
    unchanged("Space on Install This Logo");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(4, list->viewport()->height() - 3));
    unchanged("a click below the last file");
    list->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(Get<QLabel>(page.verdict)->text(), QStringLiteral("Valid Format"));
    EXPECT_GE(window->Browser(LogoKind::Startup).ListIndex(), 0);
}

// The tab order is the order of the table.
TEST_F(ManagerWindowTest, TabOrderFollowsTheTable)
{
    Open();
    std::vector<QWidget*> chain;
    for (const ControlSpec& spec : ManagerControls())
        if (spec.focusable)
            chain.push_back(Get(spec.name));
    const auto next = [](QWidget* w) {
        do
            w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        return w;
    };
    for (std::size_t i = 0; i + 1 < chain.size(); ++i)
        EXPECT_EQ(next(chain[i]), chain[i + 1]) << chain[i]->objectName().toStdString();
}

TEST_F(ManagerWindowTest, PageSwitching)
{
    Open();
    EXPECT_EQ(window->VisiblePage(), ManagerPage::Startup);
    struct Step {
        const char* button;
        ManagerPage shows;
    };
    // Each step starts where the last one left: every button is pressed while it is visible.
    static const Step kSteps[] = {
        {"cmdWait", ManagerPage::Wait},      {"cmdSafe", ManagerPage::Safe},
        {"XDWButton8", ManagerPage::Originals}, {"cmdSets", ManagerPage::Sets},
        {"XDWButton7", ManagerPage::Sets2},  {"XDWButton11b", ManagerPage::Sets},
        {"cmdStart", ManagerPage::Startup},
    };
    for (const Step& s : kSteps) {
        Click(s.button);
        int shown = 0;
        for (std::string_view frame : kPageFrames)
            shown += Get(frame)->isVisible() ? 1 : 0;
        EXPECT_EQ(shown, 1) << s.button;
        EXPECT_EQ(window->VisiblePage(), s.shows) << s.button;
    }
}

TEST_F(ManagerWindowTest, StartUpMarksPicturesAndFolders)
{
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    Put(drive / "WINDOWS" / "LOGOS.SYS", Logo(kGreen, kYellow)); // the wait logo is missing
    const fs::path gone = root / "deleted";
    settings.Write(QStringLiteral("Path"), Text(pictures));
    settings.Write(QStringLiteral("WPath"), Text(gone));
    Open();

    EXPECT_FALSE(!Get("Label13")->isHidden());
    EXPECT_TRUE(!Get("Label14")->isHidden());
    EXPECT_EQ(Get<QLabel>("Label14")->text(), QStringLiteral("Not Available"));
    EXPECT_FALSE(!Get("Label15")->isHidden());
    EXPECT_EQ(Colours("Image3"), std::make_pair(kRed, kBlue));
    EXPECT_TRUE(Picture("Image1").isNull());
    EXPECT_EQ(Colours("Image2"), std::make_pair(kGreen, kYellow));
    // The originals were kept at this first start and are shown.
    EXPECT_TRUE(fs::exists(drive / "VH Backups" / "Logo.C1K"));
    EXPECT_EQ(Colours("Image1c"), std::make_pair(kRed, kBlue));
    EXPECT_TRUE(Picture("Image2c").isNull());
    EXPECT_TRUE(Picture("Image22").isNull());
    // Folders: the stored one, the program's for a deleted one and for none.
    EXPECT_EQ(window->Browser(LogoKind::Startup).Path(), pictures);
    EXPECT_EQ(window->Browser(LogoKind::Wait).Path(), program);
    EXPECT_EQ(window->Browser(LogoKind::Safe).Path(), program);
    EXPECT_EQ(Get<QLineEdit>("Text3")->text(), Text(program));
    EXPECT_TRUE(Picture("Image4").isNull());
    EXPECT_EQ(Get<QLabel>("Label4")->text(), QStringLiteral("Preview Window"));
    EXPECT_FALSE(Get("cmdSend")->isEnabled());
    EXPECT_TRUE(messages.shown.empty());

    // A set saved since shows at the next start; the originals stay those of the first.
    window.reset();
    Put(drive / "VH Backups" / "Logo.C4K", Logo(kYellow, kRed));
    Put(drive / "logo.sys", Logo(kGreen, kGreen));
    Open();
    EXPECT_EQ(Colours("Image22"), std::make_pair(kYellow, kRed));
    EXPECT_TRUE(Picture("Image20").isNull());
    EXPECT_EQ(Colours("Image1c"), std::make_pair(kRed, kBlue));
    EXPECT_EQ(Colours("Image3"), std::make_pair(kGreen, kGreen));
}

// A click previews the file pixel for pixel: the stretch takes the nearest
// pixel, so the box holds only the logo's own two colours.
TEST_F(ManagerWindowTest, PreviewIsStretchedWithoutSmoothing)
{
    Put(pictures / "two.bmp", Logo(kRed, kBlue));
    Open();
    Select(LogoKind::Startup, pictures / "two.bmp");
    const QImage preview = Picture("Image4");
    ASSERT_FALSE(preview.isNull());
    EXPECT_EQ(preview.size(), QSize(161, 201));
    std::set<std::uint32_t> seen;
    for (int y = 0; y < preview.height(); ++y)
        for (int x = 0; x < preview.width(); ++x)
            seen.insert(preview.pixel(x, y) & 0xFFFFFF);
    EXPECT_EQ(seen, (std::set<std::uint32_t>{kRed, kBlue}));
    EXPECT_EQ(Get<QLabel>("Label4")->text(), QStringLiteral("Valid Format"));
    EXPECT_FALSE(!Get("Label10")->isHidden());
    EXPECT_EQ(Get<QLineEdit>("Text1")->text(), Text(pictures / "two.bmp"));
}

// A logo that moves at start-up says which entries rotate, wherever it is
// shown; a still one, or an empty box, says nothing.
TEST_F(ManagerWindowTest, AnimatedLogosSaySoInTheirTooltips)
{
    Put(drive / "logo.sys", testing::AnimatedLogoFile(236, 16));
    Put(pictures / "last.bmp", testing::AnimatedLogoFile(255, 16));
    Put(pictures / "still.bmp", Logo(kRed, kBlue));
    Open();
    const auto tip = [&](const char* box) { return Get(box)->toolTip(); };
    EXPECT_EQ(tip("Image3"), QStringLiteral("Animated: entries 236 to 255"));
    EXPECT_EQ(tip("Image1c"), QStringLiteral("Animated: entries 236 to 255")); // the original kept at this start
    EXPECT_EQ(tip("Image1"), QString()); // no wait logo
    Select(LogoKind::Startup, pictures / "last.bmp");
    EXPECT_EQ(tip("Image4"), QStringLiteral("Animated: entry 255"));
    Select(LogoKind::Startup, pictures / "still.bmp");
    EXPECT_EQ(tip("Image4"), QString());
    EXPECT_FALSE(Picture("Image4").isNull());
}

// A file that is no picture, or that went between listing and click, leaves
// the preview empty and is no logo; the window carries on.
TEST_F(ManagerWindowTest, ClickOnUnreadableOrVanishedFile)
{
    Put(pictures / "good.bmp", Logo(kRed, kBlue));
    Put(pictures / "text.bmp", Bytes(129000, 'x'));
    Put(pictures / "gone.sys", Logo(kRed, kBlue));
    Open();
    Select(LogoKind::Safe, pictures / "good.bmp");
    ASSERT_FALSE(Picture("Image6").isNull());

    Select(LogoKind::Safe, pictures / "text.bmp");
    EXPECT_TRUE(Picture("Image6").isNull());
    EXPECT_EQ(Get<QLabel>("Label6")->text(), QStringLiteral("Valid Format")); // name and size alone decide

    FileBrowser& browser = window->Browser(LogoKind::Safe);
    const auto found = browser.File()->findItems(QStringLiteral("gone.sys"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    fs::remove(pictures / "gone.sys");
    browser.ListIndex(browser.File()->row(found.first()));
    EXPECT_TRUE(Picture("Image6").isNull());
    EXPECT_EQ(Get<QLabel>("Label6")->text(), QStringLiteral("Wrong Format"));
    EXPECT_TRUE(Get("cmdSend3")->isEnabled());
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ManagerWindowTest, InstallThisLogo)
{
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    testing::JpegSpec spec;
    spec.width = 40;
    spec.height = 30;
    Put(pictures / "photo.jpeg", testing::EncodeJpeg(spec));
    Open();
    ASSERT_TRUE(!Get("Label14")->isHidden());

    // Nothing clicked yet.
    Click("XDWButton3");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, QStringLiteral("information"));
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("No File Selected"));
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("You must first select a file by clicking on it!"));

    // A file clicked on another page: this page's verdict still reads
    // "Preview Window" and its list has no selection.
    Select(LogoKind::Startup, pictures / "photo.jpeg");
    Click("XDWButton3");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].kind, QStringLiteral("question"));
    EXPECT_EQ(messages.shown[1].title, QStringLiteral("Convert File?"));
    EXPECT_EQ(messages.shown[1].text, QStringLiteral(" is not a valid Logo format.  Would you like to convert it?"));
    EXPECT_EQ(window->Creator(), nullptr);

    // A valid logo on this page.
    Select(LogoKind::Wait, pictures / "new.bmp");
    Click("XDWButton3");
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(testing::ReadBytes(drive / "WINDOWS" / "Logow.sys"), testing::ReadBytes(pictures / "new.bmp"));
    EXPECT_FALSE(!Get("Label14")->isHidden());
    EXPECT_EQ(Colours("Image1"), std::make_pair(kGreen, kRed));

    // An invalid one, answered Yes: the creator opens on the folder with the file loaded.
    Select(LogoKind::Wait, pictures / "photo.jpeg");
    EXPECT_EQ(Get<QLabel>("Label5")->text(), QStringLiteral("Wrong Format"));
    EXPECT_TRUE(Get("cmdSend2")->isEnabled());
    messages.yes = true;
    Click("XDWButton3");
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(messages.shown[2].text,
              QStringLiteral("photo.jpeg is not a valid Logo format.  Would you like to convert it?"));
    ASSERT_NE(window->Creator(), nullptr);
    EXPECT_TRUE(window->Creator()->isVisible());
    EXPECT_EQ(window->Creator()->Browser().Path(), pictures);
    EXPECT_EQ(window->Creator()->CurrentFileName(), pictures / "photo.jpeg");
    EXPECT_EQ(window->Creator()->DIBbpp(), 24);
    // The installed logo is as it was.
    EXPECT_EQ(testing::ReadBytes(drive / "WINDOWS" / "Logow.sys"), testing::ReadBytes(pictures / "new.bmp"));
}

// A copy that fails is told with its reason, and the mark and the picture show
// what the drive holds.
TEST_F(ManagerWindowTest, FailedInstallIsReported)
{
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    fs::remove(drive / "WINDOWS");
    Put(drive / "WINDOWS", Bytes{'x'}); // no folder: the wait logo cannot be written
    Put(drive / "VH Backups" / "Logow.C1K", Logo(kRed, kRed)); // a later run: no original is owed
    Open();
    messages.shown.clear(); // the start-up could not look into C:\Windows either
    Select(LogoKind::Wait, pictures / "new.bmp");
    Click("XDWButton3");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, QStringLiteral("warning"));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("Logow.sys"))) << messages.shown[0].text.toStdString();
    EXPECT_TRUE(!Get("Label14")->isHidden());
    EXPECT_TRUE(Picture("Image1").isNull());
}

// A failure reads as one sentence: the file and the reason once, then what
// was not done.
TEST_F(ManagerWindowTest, FailuresAreToldInOneSentence)
{
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    Put(drive / "VH Backups" / "Logow.C1K", Logo(kRed, kRed)); // a later run: no original is owed
    Put(drive / "VH Backups" / "Logow.C2K", Logo(kRed, kRed));
    fs::create_directories(drive / "WINDOWS" / "logow.sys");  // a folder where the wait logo goes
    fs::create_directories(drive / "VH Backups" / "Logo.C3K"); // a folder where set 2 keeps its startup logo
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    Open();
    messages.shown.clear();
    struct Case {
        const char* title;
        std::function<void()> act;
        const char* text;
    };
    const Case cases[] = {
        {"Install This Logo",
         [&] {
             Select(LogoKind::Wait, pictures / "new.bmp");
             Click("XDWButton3");
         },
         "C:\\Windows\\Logow.sys is a folder, so the wait logo was not installed."},
        {"Install Set 1", [&] { Click("Command10a"); },
         "C:\\Windows\\Logow.sys is a folder, so the wait logo was not installed."},
        {"Save Set 2", [&] { Click("Command16a"); },
         "C:\\VH Backups\\Logo.C3K is a folder, so the startup logo was not saved.\n"
         "C:\\Windows\\Logow.sys is a folder, so the wait logo was not saved."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        messages.shown.clear();
        c.act();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text.toStdString(), c.text);
    }
    // A folder under the wait logo's name is no logo: the mark says so, as it
    // did from the start.
    EXPECT_TRUE(Picture("Image1").isNull());
    EXPECT_TRUE(!Get("Label14")->isHidden());
    window.reset();
    Open();
    EXPECT_TRUE(!Get("Label14")->isHidden());
    // Set 2 holds no startup logo, so its thumbnail shows none, not the one installed.
    EXPECT_TRUE(Picture("Image21").isNull());
}

// An original that could not be kept blocks its kind, with the core's reason.
TEST_F(ManagerWindowTest, OwedOriginalRefusesInstall)
{
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    Put(drive / "WINDOWS" / "logow.sys", Logo(kRed, kBlue));
    fs::create_directories(drive / "VH Backups" / "Logo.C1K"); // the original cannot be copied there
    Put(drive / "VH Backups" / "Logow.C1K", Logo(kRed, kBlue));
    Put(drive / "VH Backups" / "Originals owed.txt", Bytes{'s', 't', 'a', 'r', 't', 'u', 'p', '\n'});
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    Open();
    messages.shown.clear(); // the start-up tells the original was not kept
    Select(LogoKind::Startup, pictures / "new.bmp");
    Click("XDWButton5");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, Text(AsSentence(OriginalOwedReason(SlotOf(LogoKind::Startup)))))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(Colours("Image3"), std::make_pair(kRed, kBlue));
}

// A file removed after its click is gone, not a picture to convert.
TEST_F(ManagerWindowTest, AFileRemovedAfterItsClickIsSaidToBeGone)
{
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    Open();
    messages.shown.clear();
    Select(LogoKind::Startup, pictures / "new.bmp");
    ASSERT_EQ(Get<QLabel>("Label4")->text(), QStringLiteral("Valid Format"));
    fs::remove(pictures / "new.bmp");
    messages.yes = true; // were a question asked, it would open the Logo Creator
    Click("XDWButton5");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, QStringLiteral("warning"));
    EXPECT_TRUE(messages.shown[0].text.contains(Text(pictures / "new.bmp") + QStringLiteral(" does not exist")))
        << messages.shown[0].text.toStdString();
    EXPECT_EQ(window->Creator(), nullptr);
    EXPECT_EQ(Colours("Image3"), std::make_pair(kRed, kBlue));
}

// Images no careless reader survives: a folder named as a pattern opens and
// works; a root with no room for the store refuses every install.
TEST_F(ManagerWindowTest, CraftedImagesOpenAndKeepTheOriginals)
{
    QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS();
    const fs::path scratch = root / "scratch";
    fs::create_directories(scratch);
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    const fs::path staged = scratch / "staged";
    testing::WriteBytes(staged, Logo(kRed, kBlue));
    struct Case {
        const char* title;
        bool fullRoot;
    };
    for (const Case c : {Case{"[WX]indows", false}, Case{"full root", true}}) {
        SCOPED_TRACE(c.title);
        const fs::path image = root / (std::string(c.fullRoot ? "full" : "pattern") + ".img");
        std::ofstream(image).close();
        const std::vector<testing::Volume> v = testing::MakeDisk(
            image, {{.start = testing::kMiB, .size = 16 * testing::kMiB, .fatBits = 16, .active = true}},
            17 * testing::kMiB, scratch);
        ASSERT_EQ(v.size(), 1u);
        ASSERT_TRUE(testing::CopyOnto(v[0], staged, "::/LOGO.SYS", scratch));
        ASSERT_TRUE(c.fullRoot ? testing::FillRoot(v[0], scratch)
                               : testing::MakeFolderOn(v[0], "::/lfn dir", scratch) &&
                                     testing::Relabel(v[0], "lfn dir", "WXINDO~1", "[WX]indows"));
        Open();
        messages.shown.clear();
        folders.imageAnswer = image;
        ChangeDrive(QStringLiteral("Disk Image..."));
        ASSERT_EQ(window->Manager().Drive().Root(), image);
        EXPECT_EQ(settings.values[QStringLiteral("DriveC")], Text(image));
        EXPECT_EQ(Colours("Image3"), std::make_pair(kRed, kBlue));
        // Only the full root warns at the start-up: the original cannot be kept.
        ASSERT_EQ(messages.shown.size(), c.fullRoot ? 1u : 0u);
        messages.shown.clear();
        Select(LogoKind::Startup, pictures / "new.bmp");
        Click("XDWButton5");
        const std::string logo = testing::ContentsOn(v[0], "::/LOGO.SYS", scratch).value_or("");
        if (c.fullRoot) {
            ASSERT_EQ(messages.shown.size(), 1u);
            EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("C:\\VH Backups could not be made")))
                << messages.shown[0].text.toStdString();
            EXPECT_EQ(Bytes(logo.begin(), logo.end()), Logo(kRed, kBlue));
        } else {
            EXPECT_TRUE(messages.shown.empty());
            EXPECT_EQ(Bytes(logo.begin(), logo.end()), Logo(kGreen, kRed));
            EXPECT_EQ(Colours("Image1c"), std::make_pair(kRed, kBlue));
        }
        window.reset();
        EXPECT_EQ(testing::FsckProblem(v[0], scratch), std::nullopt);
    }
}

// An image replaced or changed under the open window (a copy moved over it, a
// backup restored into it, the file cut short) is opened again, with its
// start-up steps, before anything is written, so no change goes into content
// the window did not read.
TEST_F(ManagerWindowTest, AnImageChangedUnderTheWindowIsOpenedAgainBeforeAChange)
{
    QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS();
    struct Case {
        const char* title;
        // Changes image; fresh is a copy of it with another startup logo.
        std::function<void(const fs::path& image, const fs::path& fresh)> change;
        bool reopens; // else the practice drive is drive C: afterwards
    };
    const Case cases[] = {
        {"a copy moved over it",
         [](const fs::path& image, const fs::path& fresh) { fs::rename(fresh, image); }, true},
        {"a backup restored into the same file",
         [](const fs::path& image, const fs::path& fresh) {
             std::ofstream(image, std::ios::binary | std::ios::in | std::ios::out) << testing::ReadFile(fresh);
         },
         true},
        {"cut short", [](const fs::path& image, const fs::path&) { fs::resize_file(image, 200 * 1024); }, false},
    };
    const fs::path scratch = root / "scratch";
    fs::create_directories(scratch);
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const fs::path image = root / "G.img";
        const fs::path fresh = root / "fresh.img";
        std::ofstream(image).close();
        const std::vector<testing::Volume> v = testing::MakeDisk(
            image, {{.start = testing::kMiB, .size = 16 * testing::kMiB, .fatBits = 16, .active = true}},
            17 * testing::kMiB, scratch);
        ASSERT_EQ(v.size(), 1u);
        const testing::Volume freshVolume{fresh, v[0].offset, v[0].size};
        const fs::path staged = scratch / "staged";
        fs::copy_file(image, fresh, fs::copy_options::overwrite_existing);
        testing::WriteBytes(staged, Logo(kYellow, kRed));
        ASSERT_TRUE(testing::CopyOnto(freshVolume, staged, "::/LOGO.SYS", scratch));
        testing::WriteBytes(staged, Logo(kRed, kBlue));
        ASSERT_TRUE(testing::CopyOnto(v[0], staged, "::/LOGO.SYS", scratch));
        Open(DriveC::Open(image.string()));
        messages.shown.clear();

        c.change(image, fresh);
        const std::uintmax_t size = fs::file_size(image);
        const std::string before = testing::Checksum(image);
        Select(LogoKind::Startup, pictures / "new.bmp");
        Click("XDWButton5");
        ASSERT_FALSE(messages.shown.empty());
        EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("since it was opened, so nothing was changed")))
            << messages.shown[0].text.toStdString();
        if (!c.reopens) {
            EXPECT_EQ(testing::Checksum(image), before);
            EXPECT_EQ(fs::file_size(image), size);
            EXPECT_TRUE(window->Manager().Drive().IsPracticeDrive());
            continue;
        }
        // Opened again with its start-up steps: the startup logo it holds now is kept as its original.
        ASSERT_EQ(window->Manager().Drive().Root(), image);
        const auto on = [&](const char* path) {
            const std::string out = testing::ContentsOn(v[0], path, scratch).value_or("");
            return Bytes(out.begin(), out.end());
        };
        EXPECT_EQ(on("::/LOGO.SYS"), Logo(kYellow, kRed));
        EXPECT_EQ(on("::/VH Backups/Logo.C1K"), Logo(kYellow, kRed));
        EXPECT_EQ(Colours("Image3"), std::make_pair(kYellow, kRed));
        // The next install goes into the content the window has read.
        messages.shown.clear();
        Select(LogoKind::Startup, pictures / "new.bmp");
        Click("XDWButton5");
        EXPECT_TRUE(messages.shown.empty()) << messages.shown[0].text.toStdString();
        EXPECT_EQ(on("::/LOGO.SYS"), Logo(kGreen, kRed));
        EXPECT_EQ(on("::/VH Backups/Logo.C1K"), Logo(kYellow, kRed));
        EXPECT_EQ(testing::FsckProblem(v[0], scratch), std::nullopt);
    }
}

// Whatever changes an installed logo, every page then shows what drive C:
// holds: its picture and its "Not Available" mark.
TEST_F(ManagerWindowTest, MarksFollowTheDriveAfterASetOrTheOriginals)
{
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    Put(drive / "WINDOWS" / "logow.sys", Logo(kGreen, kGreen));
    Put(drive / "WINDOWS" / "logos.sys", Logo(kYellow, kRed));
    Open(); // the originals are kept
    window->ShowPage(ManagerPage::Sets);
    Click("Command15a"); // set 1 holds the same three
    struct Case {
        const char* title;
        const char* button;
    };
    // Removed by the name drive C: finds it by, in whatever letter case a copy gave it.
    const auto removeSafeLogo = [&] { fs::remove(DriveC(drive).Resolve("C:\\Windows\\logos.sys")); };
    for (const Case c : {Case{"Restore Originals", "Command6a"}, Case{"Install Set 1", "Command10a"}}) {
        SCOPED_TRACE(c.title);
        removeSafeLogo();
        Open();
        ASSERT_FALSE(Get("Label15")->isHidden());
        Click(c.button);
        EXPECT_TRUE(Get("Label15")->isHidden());
        EXPECT_EQ(Colours("Image2"), std::make_pair(kYellow, kRed));
    }
    // A logo a set lacks is gone from the drive, and its mark says so.
    fs::remove(drive / "VH Backups" / "Logos.C2K");
    removeSafeLogo();
    Click("Command10a");
    EXPECT_FALSE(Get("Label15")->isHidden());
    EXPECT_TRUE(Picture("Image2").isNull());
}

// With no folder kept, every file list opens on the user's pictures folder; a
// kept folder still wins.
TEST_F(ManagerWindowTest, FileListsOpenOnThePicturesFolderUnlessOneIsKept)
{
    picturesStart = pictures;
    const fs::path kept = root / "kept";
    fs::create_directories(kept);
    settings.values[QStringLiteral("WPath")] = Text(kept);
    Open();
    EXPECT_EQ(window->Browser(LogoKind::Startup).Path(), pictures);
    EXPECT_EQ(window->Browser(LogoKind::Wait).Path(), kept);
    EXPECT_EQ(window->Browser(LogoKind::Safe).Path(), pictures);

    // The Logo Creator likewise: the pictures folder, then the folder "CPath" keeps.
    Click("cmdCreate");
    ASSERT_NE(window->Creator(), nullptr);
    EXPECT_EQ(window->Creator()->Browser().Path(), pictures);
    settings.values[QStringLiteral("CPath")] = Text(kept);
    window->Creator()->close();
    Click("cmdCreate");
    EXPECT_EQ(window->Creator()->Browser().Path(), kept);
}

TEST_F(ManagerWindowTest, SetsSavedAndInstalled)
{
    struct Case {
        int set;
        const char* save;
        const char* install;
        const char* thumbnail;
        const char* backup;
        std::uint32_t colour;
    };
    static const Case kCases[] = {
        {1, "Command15a", "Command10a", "Image20", "C2K", kRed},
        {9, "XDWButton4b", "XDWButton9b", "Image4b", "C10K", kGreen},
        {10, "XDWButton5b", "XDWButton10b", "Image5b", "C11K", kYellow},
    };
    Put(drive / "logo.sys", Logo(kBlue, kBlue));
    Put(drive / "WINDOWS" / "logow.sys", Logo(kBlue, kBlue));
    Put(drive / "WINDOWS" / "logos.sys", Logo(kBlue, kBlue));
    Open();
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.set);
        for (const char* name : {"logo.sys", "WINDOWS/logow.sys", "WINDOWS/logos.sys"})
            Put(drive / name, Logo(c.colour, c.colour));
        window->ShowPage(c.set <= 5 ? ManagerPage::Sets : ManagerPage::Sets2);
        Click(c.save);
        for (const char* base : {"Logo.", "Logow.", "Logos."})
            EXPECT_EQ(testing::ReadBytes(drive / "VH Backups" / (std::string(base) + c.backup)),
                      Logo(c.colour, c.colour));
        EXPECT_EQ(Colours(c.thumbnail), std::make_pair(c.colour, c.colour));
    }
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.set);
        window->ShowPage(c.set <= 5 ? ManagerPage::Sets : ManagerPage::Sets2);
        Click(c.install);
        EXPECT_EQ(testing::ReadBytes(drive / "WINDOWS" / "logos.sys"), Logo(c.colour, c.colour));
        for (const char* box : {"Image3", "Image1", "Image2"})
            EXPECT_EQ(Colours(box), std::make_pair(c.colour, c.colour)) << box;
    }
    // A set never saved leaves the logos alone, silently.
    Click("Command12a");
    EXPECT_EQ(testing::ReadBytes(drive / "logo.sys"), Logo(kYellow, kYellow));
    EXPECT_TRUE(messages.shown.empty());

    window->ShowPage(ManagerPage::Originals);
    Click("Command6a");
    for (const char* name : {"logo.sys", "WINDOWS/logow.sys", "WINDOWS/logos.sys"})
        EXPECT_EQ(testing::ReadBytes(drive / name), Logo(kBlue, kBlue)) << name;
    EXPECT_EQ(Colours("Image3"), std::make_pair(kBlue, kBlue));
    EXPECT_EQ(Colours("Image2c"), std::make_pair(kBlue, kBlue));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(ManagerWindowTest, HelpOpensTheGuideWhenThere)
{
    Open();
    Click("cmdHelp");
    QTest::keyClick(window.get(), Qt::Key_F1);
    EXPECT_TRUE(opener.opened.empty());
    EXPECT_TRUE(messages.shown.empty());

    // Without a help file the HTML guide opens: an installed one (program in
    // <prefix>/bin), and the one beside a built program before that.
    struct Case {
        fs::path page;
        const char* layout;
    };
    const Case cases[] = {
        {root / kInstalledGuideFolder / "index.html", "installed"},
        {program / "guide" / "index.html", "beside the program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        Put(c.page, Bytes{'<'});
        opener.opened.clear();
        Click("cmdHelp");
        QTest::keyClick(Get("File2"), Qt::Key_F1, Qt::ControlModifier);
        EXPECT_EQ(opener.opened, std::vector<QString>(2, Text(fs::canonical(c.page))));
    }
    opener.opened.clear();

    Put(program / "Quillmere.chm", Bytes{'g'});
    Click("cmdHelp");
    QTest::keyClick(Get("File1"), Qt::Key_F1);
    QTest::keyClick(Get("cmdSafe"), Qt::Key_F1, Qt::ShiftModifier);
    QTest::keyClick(window.get(), Qt::Key_F2);
    EXPECT_EQ(opener.opened, std::vector<QString>(3, Text(program / "Quillmere.chm")));
    EXPECT_TRUE(messages.shown.empty());

    // Where no program opens it, a message says where the guide is.
    opener.opens = false;
    Click("cmdHelp");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              QStringLiteral("No program here opens the guide; open %1 in a web browser.")
                  .arg(Text(program / "Quillmere.chm")));
}

TEST_F(ManagerWindowTest, TheWebLinkOpensTheHomePage)
{
    Put(program / "guide" / "about.html", Bytes{'<'});
    const std::string home = BuiltProgramLinks(program).home;
    ASSERT_FALSE(home.empty());
    Open();
    QTest::mouseClick(Get("Image8"), Qt::LeftButton);
    EXPECT_EQ(opener.opened, std::vector{QString::fromStdString(home)});
    EXPECT_TRUE(messages.shown.empty());
    opener.opens = false;
    QTest::mouseClick(Get("Image8"), Qt::LeftButton);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              QStringLiteral("No program here opens web addresses; the address is %1").arg(QString::fromStdString(home)));

    // Image8_MouseMove: the link pointer, its hot spot at the fingertip.
    QWidget* link = Get("Image8");
    QMouseEvent move(QEvent::MouseMove, QPointF(4, 4), link->mapToGlobal(QPointF(4, 4)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(link, &move);
    EXPECT_EQ(link->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(link->cursor().hotSpot(), QPoint(6, 0));
}

TEST_F(ManagerWindowTest, AboutOpensOneWindowThatClosesWithTheManager)
{
    Open();
    EXPECT_EQ(window->About(), nullptr);
    Click("Command1");
    frmAbout* about = window->About();
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(about->isWindow());
    EXPECT_FALSE(about->isModal());
    // The Logo Manager stays usable beside it.
    Click("cmdWait");
    EXPECT_EQ(window->VisiblePage(), ManagerPage::Wait);

    about->close();
    Click("Command1");
    EXPECT_EQ(window->About(), about);
    EXPECT_TRUE(about->isVisible());

    Click("cmdClose");
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(about->isVisible());
}

// Where no window manager places windows (as offscreen), the About window
// opens over the middle of the Logo Manager, wherever that stands now.
TEST_F(ManagerWindowTest, AboutOpensCentredOverTheManager)
{
    Open();
    const QPoint places[] = {{37, 21}, {300, 150}};
    for (const QPoint& place : places) {
        window->move(place);
        Click("Command1");
        frmAbout* about = window->About();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->geometry().center(), window->geometry().center()) << place.x() << ", " << place.y();
        about->close();
    }
}

TEST_F(ManagerWindowTest, ShutdownKeepsFoldersAndClosesTheCreator)
{
    const fs::path wait = root / "wait";
    fs::create_directories(wait);
    Open();
    window->Browser(LogoKind::Startup).Path(pictures);
    window->Browser(LogoKind::Wait).Path(wait);
    Click("cmdCreate");
    ASSERT_NE(window->Creator(), nullptr);
    ASSERT_TRUE(window->Creator()->isVisible());
    Click("cmdClose");
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->Creator()->isVisible());
    EXPECT_EQ(settings.values[QStringLiteral("Path")], Text(pictures));
    EXPECT_EQ(settings.values[QStringLiteral("WPath")], Text(wait));
    EXPECT_EQ(settings.values[QStringLiteral("SPath")], Text(program));

    // The next start opens each page where it was left.
    Open();
    EXPECT_EQ(window->Browser(LogoKind::Startup).Path(), pictures);
    EXPECT_EQ(window->Browser(LogoKind::Wait).Path(), wait);
}

TEST_F(ManagerWindowTest, ChangingDriveCReloadsEveryPage)
{
    Put(drive / "logo.sys", Logo(kRed, kRed));
    const fs::path other = root / "other_c";
    Put(other / "Windows" / "logow.sys", Logo(kGreen, kGreen));
    Open();
    ASSERT_EQ(Colours("Image3"), std::make_pair(kRed, kRed));

    folders.answer = root / "missing";
    ChangeDrive(QStringLiteral("Folder..."));
    EXPECT_EQ(folders.asked, 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(window->Manager().Drive().Root(), drive);

    folders.answer = other;
    ChangeDrive(QStringLiteral("Folder..."));
    EXPECT_EQ(window->Manager().Drive().Root(), other);
    EXPECT_EQ(settings.values[QStringLiteral("DriveC")], Text(other));
    EXPECT_TRUE(Picture("Image3").isNull());
    EXPECT_TRUE(!Get("Label13")->isHidden());
    EXPECT_FALSE(!Get("Label14")->isHidden());
    EXPECT_EQ(Colours("Image1"), std::make_pair(kGreen, kGreen));
    EXPECT_EQ(Colours("Image2c"), std::make_pair(kGreen, kGreen));
    EXPECT_TRUE(Picture("Image21").isNull());
    EXPECT_TRUE(fs::exists(other / "VH Backups" / "Logow.C1K"));
    EXPECT_TRUE(Get<QLabel>("lblDriveC")->toolTip().contains(Text(other)));
    // Drive c: of every page's browser is the new folder.
    FileBrowser& browser = window->Browser(LogoKind::Safe);
    ASSERT_FALSE(browser.Drives().empty());
    EXPECT_EQ(browser.Drives().front().root, other);
    browser.Path(other / "Windows");
    EXPECT_EQ(browser.Drive()->currentText(), browser.Drives().front().name);
}

// The Boot Preview windows open now, by the file each shows.
std::vector<fs::path> PreviewFiles()
{
    std::vector<fs::path> files;
    const QWidgetList windows = QApplication::allWidgets();
    for (QWidget* w : windows)
        if (auto* preview = qobject_cast<BootPreviewWindow*>(w); preview && preview->isVisible())
            files.push_back(preview->File());
    std::sort(files.begin(), files.end());
    return files;
}

// A double click on a current logo, or "Show as at start-up..." from any box
// that shows a logo, opens the Boot Preview on the file the box stands for.
TEST_F(ManagerWindowTest, PictureBoxesOpenTheBootPreview)
{
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    Open();
    ASSERT_TRUE(PreviewFiles().empty());

    QTest::mouseDClick(Get("Image1"), Qt::LeftButton); // the wait logo is missing: an empty box
    EXPECT_TRUE(PreviewFiles().empty());
    window->move(300, 200);
    QTest::mouseDClick(Get("Image3"), Qt::LeftButton);
    EXPECT_EQ(PreviewFiles(), std::vector<fs::path>{drive / "logo.sys"});
    // Centred over the window that opened it.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* preview = qobject_cast<BootPreviewWindow*>(w); preview && preview->isVisible()) {
            EXPECT_LE((preview->geometry().center() - window->geometry().center()).manhattanLength(), 1)
                << preview->geometry().x() << "," << preview->geometry().y();
        }
    }

    // items: how many the menu has; a set's thumbnail adds its zip items.
    const auto fromMenu = [this](std::string_view box, qsizetype items = 1) {
        QWidget* w = Get(box);
        emit w->customContextMenuRequested(QPoint(5, 5));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return false;
        EXPECT_EQ(menu->actions().size(), items);
        EXPECT_EQ(menu->actions().front()->text(), Text(kShowAtStartUp));
        menu->actions().front()->trigger();
        menu->close();
        return true;
    };
    EXPECT_FALSE(fromMenu("Image6")); // nothing previewed yet: no menu
    Select(LogoKind::Safe, pictures / "new.bmp");
    window->ShowPage(ManagerPage::Safe);
    EXPECT_TRUE(fromMenu("Image6"));
    window->ShowPage(ManagerPage::Sets);
    Click("Command15a");
    EXPECT_TRUE(fromMenu("Image20", 3));
    const std::vector<fs::path> shown = PreviewFiles();
    EXPECT_NE(std::find(shown.begin(), shown.end(), pictures / "new.bmp"), shown.end());
    EXPECT_NE(std::find(shown.begin(), shown.end(), drive / "VH Backups" / "Logo.C2K"), shown.end());
    for (QWidget* w : QApplication::allWidgets())
        if (qobject_cast<BootPreviewWindow*>(w))
            w->close();
}

// Each set's thumbnail menu writes the set to a zip and takes one back, with
// the dialogs opening in the pictures folder; an empty set has the menu too.
TEST_F(ManagerWindowTest, SetThumbnailsExportAndImportZips)
{
    for (const char* name : {"logo.sys", "WINDOWS/logow.sys", "WINDOWS/logos.sys"})
        Put(drive / name, Logo(kGreen, kRed));
    picturesStart = pictures;
    Open();
    window->ShowPage(ManagerPage::Sets);
    Click("Command17a"); // Save Set 3
    // The items of a thumbnail's menu, and a click on the one named item.
    const auto menuOf = [this](std::string_view box, std::string_view item) {
        emit Get(box)->customContextMenuRequested(QPoint(5, 5));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QStringList items;
        if (!menu)
            return items;
        for (QAction* action : menu->actions()) {
            items.push_back(action->text());
            if (action->text() == Text(item))
                action->trigger();
        }
        menu->close();
        return items;
    };
    const QStringList zipItems = {Text(kExportSetItem), Text(kImportSetItem)};

    const fs::path zip = pictures / "three.zip";
    saveDialog.answers.push_back(Text(zip));
    EXPECT_EQ(menuOf("Image22", kExportSetItem), QStringList{Text(kShowAtStartUp)} + zipItems);
    ASSERT_EQ(saveDialog.requests.size(), 1u);
    EXPECT_EQ(saveDialog.requests[0].title, QStringLiteral("Export Set 3"));
    EXPECT_EQ(saveDialog.requests[0].folder, Text(pictures));
    EXPECT_EQ(saveDialog.requests[0].defaultSuffix, QStringLiteral("zip"));
    EXPECT_TRUE(fs::is_regular_file(zip));

    // Set 5 is empty: nothing to export, said so; then it takes set 3's zip.
    saveDialog.answers.push_back(Text(pictures / "five.zip"));
    EXPECT_EQ(menuOf("Image24", kExportSetItem), zipItems);
    EXPECT_FALSE(fs::exists(pictures / "five.zip"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("Export Set 5"));
    EXPECT_TRUE(messages.shown[0].text.startsWith(QStringLiteral("Set 5 was not exported: set 5 is empty")))
        << messages.shown[0].text.toStdString();
    openDialog.answers.push_back(Text(zip));
    menuOf("Image24", kImportSetItem);
    ASSERT_EQ(openDialog.requests.size(), 1u);
    EXPECT_EQ(openDialog.requests[0].folder, Text(pictures));
    EXPECT_EQ(testing::ReadBytes(drive / "VH Backups" / "Logos.C6K"), Logo(kGreen, kRed));
    EXPECT_EQ(Colours("Image24"), std::make_pair(kGreen, kRed));

    // A zip that is no zip changes nothing and is told; a cancelled dialog does nothing.
    Put(pictures / "broken.zip", Bytes(100, 'x'));
    openDialog.answers.push_back(Text(pictures / "broken.zip"));
    openDialog.answers.push_back(QString());
    menuOf("Image20", kImportSetItem);
    menuOf("Image20", kImportSetItem);
    EXPECT_FALSE(fs::exists(drive / "VH Backups" / "Logo.C2K"));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].title, QStringLiteral("Import Set 1"));
    EXPECT_TRUE(messages.shown[1].text.contains(QStringLiteral("it is not a zip file")))
        << messages.shown[1].text.toStdString();
}

// A picture or logo file dropped on a page's Preview box is chosen as a click
// in the file list would choose it; only "Install This Logo" installs it.
TEST_F(ManagerWindowTest, AFileDroppedOnThePreviewIsChosenNotInstalled)
{
    Put(drive / "logo.sys", Logo(kRed, kBlue));
    const fs::path other = root / "elsewhere";
    Put(other / "dropped.BMP", Logo(kGreen, kYellow));
    Put(other / "notes.txt", Bytes(10, 'n'));
    Open();
    const LogoPageNames& names = LogoPageControls()[0];
    const auto drop = [this, &names](const std::vector<fs::path>& files) {
        QMimeData data;
        QList<QUrl> urls;
        for (const fs::path& f : files)
            urls.push_back(QUrl::fromLocalFile(Text(f)));
        data.setUrls(urls);
        // As a drag does: the box takes the drop only after it accepted the drag's entry.
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Get(names.preview), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Get(names.preview), &drop);
        return drop.isAccepted();
    };
    // Not a picture, two files at once, a file that is gone: nothing is chosen.
    for (const std::vector<fs::path>& files : std::vector<std::vector<fs::path>>{
             {other / "notes.txt"}, {other / "dropped.BMP", other / "dropped.BMP"}, {other / "gone.bmp"}}) {
        EXPECT_FALSE(drop(files)) << files.front();
        EXPECT_EQ(window->Browser(LogoKind::Startup).FileName(), "");
    }
    EXPECT_TRUE(drop({other / "dropped.BMP"}));
    EXPECT_EQ(window->Browser(LogoKind::Startup).Path(), other);
    EXPECT_EQ(window->Browser(LogoKind::Startup).FileName(), "dropped.BMP");
    EXPECT_EQ(Get<QLabel>(names.verdict)->text(), Text(kWrongFormat)); // "BMP": letter case counts
    EXPECT_EQ(Colours(names.preview), std::make_pair(kGreen, kYellow));
    EXPECT_EQ(testing::ReadBytes(drive / "logo.sys"), Logo(kRed, kBlue));
    EXPECT_TRUE(messages.shown.empty());

    fs::rename(other / "dropped.BMP", other / "dropped.bmp");
    ASSERT_TRUE(drop({other / "dropped.bmp"}));
    EXPECT_EQ(Get<QLabel>(names.verdict)->text(), Text(kValidFormat));
    EXPECT_EQ(testing::ReadBytes(drive / "logo.sys"), Logo(kRed, kBlue));
    Click(names.install);
    EXPECT_EQ(testing::ReadBytes(drive / "logo.sys"), Logo(kGreen, kYellow));
}

// Drive C: as the disk image of a virtual machine, chosen in the window: every
// page reads and writes inside the image, the file browsers offer no "c:" that
// has no folder, and the file system stays sound.
TEST_F(ManagerWindowTest, ADiskImageChosenAsDriveCIsUsedByEveryPage)
{
    QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS();
    const fs::path scratch = root / "scratch";
    fs::create_directories(scratch);
    const fs::path image = root / "vms" / "win98.img";
    fs::create_directories(image.parent_path());
    std::ofstream(image).close();
    // The second partition is the active one, so it is drive C:.
    const std::vector<testing::Volume> volumes =
        testing::MakeDisk(image,
                          {{.start = testing::kMiB, .size = 4 * testing::kMiB, .fatBits = 12, .type = 0x01},
                           {.start = 5 * testing::kMiB, .size = 16 * testing::kMiB, .fatBits = 16, .active = true}},
                          21 * testing::kMiB, scratch);
    ASSERT_EQ(volumes.size(), 2u);
    const testing::Volume& c = volumes[1];
    const auto put = [&](const std::string& name, const Bytes& bytes) {
        const fs::path staged = scratch / "staged";
        testing::WriteBytes(staged, bytes);
        return testing::CopyOnto(c, staged, name, scratch);
    };
    const auto bytesOn = [&](const std::string& name) {
        const std::string out = testing::ContentsOn(c, name, scratch).value_or("");
        return Bytes(out.begin(), out.end());
    };
    ASSERT_TRUE(testing::MakeFolderOn(c, "::/WINDOWS", scratch));
    ASSERT_TRUE(put("::/LOGO.SYS", Logo(kRed, kBlue)));
    ASSERT_TRUE(put("::/WINDOWS/LOGOS.SYS", Logo(kYellow, kYellow)));
    Put(drive / "logo.sys", Logo(kGreen, kGreen));
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    Open();

    // Choices that cannot be drive C: are refused with the reason; drive C: stays.
    const fs::path qcow2 = root / "vms" / "win98.qcow2";
    testing::WriteBytes(qcow2, Bytes{'Q', 'F', 'I', 0xFB, 0, 0, 0, 3});
    std::filesystem::resize_file(qcow2, 65536);
    struct Refused {
        const char* title;
        fs::path choice;
        bool holdLock; // a running virtual machine holds the image
        const char* reason;
    };
    const Refused refused[] = {
        {"qcow2", qcow2, false, "is a qcow2 disk image"},
        {"in use", image, true, "the disk image is in use"},
        {"missing", root / "vms" / "gone.img", false, "does not exist"},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.title);
        const int holder = r.holdLock ? ::open(image.c_str(), O_RDWR | O_CLOEXEC) : -1;
        if (r.holdLock) {
            struct flock lock {};
            lock.l_type = F_RDLCK;
            lock.l_whence = SEEK_SET;
            lock.l_start = 100;
            lock.l_len = 2;
            ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
        }
        messages.shown.clear();
        folders.imageAnswer = r.choice;
        ChangeDrive(QStringLiteral("Disk Image..."));
        if (holder >= 0)
            ::close(holder);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].kind, QStringLiteral("warning"));
        EXPECT_TRUE(messages.shown[0].text.contains(QString::fromStdString(r.choice.string())))
            << messages.shown[0].text.toStdString();
        EXPECT_TRUE(messages.shown[0].text.contains(QString::fromUtf8(r.reason))) << messages.shown[0].text.toStdString();
        EXPECT_EQ(window->Manager().Drive().Root(), drive);
        EXPECT_EQ(Colours("Image3"), std::make_pair(kGreen, kGreen));
        EXPECT_FALSE(settings.values.contains(QStringLiteral("DriveC")));
    }
    EXPECT_EQ(folders.imagesAsked, 3);
    EXPECT_EQ(folders.asked, 0);
    EXPECT_EQ(folders.imageStart, drive);

    messages.shown.clear();
    folders.imageAnswer = image;
    ChangeDrive(QStringLiteral("Disk Image..."));
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_TRUE(window->Manager().Drive().IsImage());
    EXPECT_EQ(window->Manager().Drive().Root(), image);
    EXPECT_EQ(window->Manager().Drive().Partition(), 2);
    EXPECT_EQ(settings.values[QStringLiteral("DriveC")], Text(image));
    const QLabel* line = Get<QLabel>("lblDriveC");
    // A name too long for the line gives way in its middle; the partition stays whole.
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("C: win"))) << line->text().toStdString();
    EXPECT_TRUE(line->text().endsWith(QStringLiteral(" (2)"))) << line->text().toStdString();
    EXPECT_TRUE(line->toolTip().contains(QStringLiteral("partition 2 (FAT16) of the disk image ") + Text(image)))
        << line->toolTip().toStdString();
    // The logos inside the image, and the originals kept there at the first start.
    EXPECT_EQ(Colours("Image3"), std::make_pair(kRed, kBlue));
    EXPECT_EQ(Colours("Image2"), std::make_pair(kYellow, kYellow));
    EXPECT_TRUE(Picture("Image1").isNull());
    EXPECT_TRUE(!Get("Label14")->isHidden());
    EXPECT_EQ(Colours("Image1c"), std::make_pair(kRed, kBlue));
    EXPECT_EQ(bytesOn("::/VH Backups/Logo.C1K"), Logo(kRed, kBlue));
    // No browser, nor the Logo Creator, offers a "c:" without a folder behind it.
    Click("cmdCreate");
    ASSERT_NE(window->Creator(), nullptr);
    for (const FileBrowser* browser : {&window->Browser(LogoKind::Startup), &window->Browser(LogoKind::Wait),
                                       &window->Browser(LogoKind::Safe), &window->Creator()->Browser()})
        for (const BrowserDrive& d : browser->Drives()) {
            EXPECT_NE(d.name, QStringLiteral("c:"));
            EXPECT_TRUE(fs::is_directory(d.root)) << d.root;
        }
    window->Creator()->close();

    // Install This Logo writes into the image.
    Select(LogoKind::Wait, pictures / "new.bmp");
    Click("XDWButton3");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(bytesOn("::/WINDOWS/LOGOW.SYS"), Logo(kGreen, kRed));
    EXPECT_EQ(Colours("Image1"), std::make_pair(kGreen, kRed));
    EXPECT_FALSE(!Get("Label14")->isHidden());
    // A set is saved into the image, and its thumbnail shows.
    window->ShowPage(ManagerPage::Sets);
    Click("Command15a");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(bytesOn("::/VH Backups/Logo.C2K"), Logo(kRed, kBlue));
    EXPECT_EQ(bytesOn("::/VH Backups/Logow.C2K"), Logo(kGreen, kRed));
    EXPECT_EQ(Colours("Image20"), std::make_pair(kRed, kBlue));
    // A logo inside the image opens in the Boot Preview from its bytes.
    QTest::mouseDClick(Get("Image3"), Qt::LeftButton);
    const BootPreviewWindow* preview = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<BootPreviewWindow*>(w); p && p->isVisible())
            preview = p;
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->HasPicture());
    EXPECT_TRUE(preview->File().empty());
    EXPECT_TRUE(preview->windowTitle().contains(QStringLiteral("Logo.sys"), Qt::CaseInsensitive))
        << preview->windowTitle().toStdString();
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<BootPreviewWindow*>(w))
            w->close();

    // The next start opens the stored choice, with what was written.
    Click("cmdClose");
    Open(DriveC::Open(settings.values[QStringLiteral("DriveC")].toStdString()));
    EXPECT_EQ(Colours("Image1"), std::make_pair(kGreen, kRed));
    EXPECT_EQ(Colours("Image20"), std::make_pair(kRed, kBlue));

    // Back to a folder: the browsers' "c:" is that folder again.
    folders.answer = drive;
    ChangeDrive(QStringLiteral("Folder..."));
    EXPECT_EQ(folders.asked, 1);
    EXPECT_EQ(window->Manager().Drive().Root(), drive);
    ASSERT_FALSE(window->Browser(LogoKind::Startup).Drives().empty());
    EXPECT_EQ(window->Browser(LogoKind::Startup).Drives().front().root, drive);
    EXPECT_EQ(Colours("Image3"), std::make_pair(kGreen, kGreen));
    window.reset();
    for (const testing::Volume& v : volumes)
        if (const std::optional<std::string> problem = testing::FsckProblem(v, scratch))
            ADD_FAILURE() << "partition at " << v.offset << ": " << *problem;
}

// A qcow2 image, whatever its name ends in, is drive C: through the raw disk
// QEMU serves of it for as long as the window has it: other QEMU tools cannot
// open it meanwhile, changes go into it in place, and it is let go when
// another drive is chosen.
TEST_F(ManagerWindowTest, AQcow2ImageIsServedWhileItIsDriveC)
{
    QUILLMERE_SKIP_WITHOUT_IMAGE_TOOLS();
    for (const char* tool : {"qemu-img", "qemu-nbd", "nbdfuse"})
        if (!testing::FindTool(tool))
            GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs it)";
    if (const int fuse = ::open("/dev/fuse", O_RDWR | O_CLOEXEC); fuse < 0)
        GTEST_SKIP() << "/dev/fuse cannot be opened: " << std::strerror(errno);
    else
        ::close(fuse);
    const fs::path scratch = root / "scratch";
    fs::create_directories(scratch);
    const fs::path raw = scratch / "disk.raw";
    std::ofstream(raw).close();
    const std::vector<testing::Volume> volumes = testing::MakeDisk(
        raw, {{.start = testing::kMiB, .size = 16 * testing::kMiB, .fatBits = 16, .active = true}},
        17 * testing::kMiB, scratch);
    ASSERT_EQ(volumes.size(), 1u);
    const fs::path staged = scratch / "staged";
    testing::WriteBytes(staged, Logo(kRed, kBlue));
    ASSERT_TRUE(testing::CopyOnto(volumes[0], staged, "::/LOGO.SYS", scratch));
    ASSERT_TRUE(testing::MakeFolderOn(volumes[0], "::/WINDOWS", scratch));
    const fs::path image = root / "vms" / "win98.img";
    fs::create_directories(image.parent_path());
    const auto qemuImg = [&](const std::vector<std::string>& args) { return testing::RunTool("qemu-img", args, scratch); };
    ASSERT_EQ(qemuImg({"convert", "-f", "raw", "-O", "qcow2", raw.string(), image.string()}).status, 0);
    Put(pictures / "new.bmp", Logo(kGreen, kRed));
    Open();

    folders.imageAnswer = image;
    ChangeDrive(QStringLiteral("Disk Image..."));
    EXPECT_TRUE(messages.shown.empty()) << (messages.shown.empty() ? "" : messages.shown[0].text.toStdString());
    ASSERT_EQ(window->Manager().Drive().Root(), image);
    const QLabel* line = Get<QLabel>("lblDriveC");
    // The name gives way to the format and the partition.
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("C: w"))) << line->text().toStdString();
    EXPECT_TRUE(line->text().endsWith(QStringLiteral(" (qcow2, 1)"))) << line->text().toStdString();
    EXPECT_TRUE(line->toolTip().contains(QStringLiteral("partition 1 (FAT16) of the qcow2 disk image ") + Text(image)))
        << line->toolTip().toStdString();
    EXPECT_EQ(Colours("Image3"), std::make_pair(kRed, kBlue));
    EXPECT_NE(qemuImg({"info", "-f", "qcow2", image.string()}).status, 0) << "QEMU's lock is not held";

    Select(LogoKind::Wait, pictures / "new.bmp");
    Click("XDWButton3");
    EXPECT_TRUE(messages.shown.empty()) << (messages.shown.empty() ? "" : messages.shown[0].text.toStdString());
    EXPECT_EQ(Colours("Image1"), std::make_pair(kGreen, kRed));

    folders.answer = drive;
    ChangeDrive(QStringLiteral("Folder..."));
    EXPECT_EQ(window->Manager().Drive().Root(), drive);
    const testing::ProgramResult check = qemuImg({"check", "-f", "qcow2", image.string()});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    ASSERT_EQ(qemuImg({"convert", "-f", "qcow2", "-O", "raw", image.string(), raw.string()}).status, 0);
    const std::optional<std::string> wait = testing::ContentsOn(volumes[0], "::/WINDOWS/LOGOW.SYS", scratch);
    EXPECT_TRUE(wait && Bytes(wait->begin(), wait->end()) == Logo(kGreen, kRed));
    EXPECT_EQ(testing::FsckProblem(volumes[0], scratch), std::nullopt);
}

// The window starts on --drive-c, else the variable, else the kept choice; a
// kept choice that cannot be opened now gives the practice drive and the reason.
TEST_F(ManagerWindowTest, TheStartDriveFallsBackOnlyFromAKeptChoice)
{
    const char* savedEnv = std::getenv("QUILLMERE_DRIVE_C");
    const std::optional<std::string> env = savedEnv ? std::optional<std::string>(savedEnv) : std::nullopt;
    const char* savedData = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> data = savedData ? std::optional<std::string>(savedData) : std::nullopt;
    const fs::path practice = root / "data" / "quillmere" / "drive_c";
    ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    const fs::path other = root / "other_c";
    fs::create_directories(other);
    const fs::path qcow2 = root / "win98.qcow2";
    testing::WriteBytes(qcow2, Bytes{'Q', 'F', 'I', 0xFB, 0, 0, 0, 3});
    fs::resize_file(qcow2, 65536);

    struct Case {
        const char* title;
        fs::path option, variable, kept;
        fs::path root;        // of the drive opened
        const char* problem;  // in the reason given; nullptr: none
    };
    const Case cases[] = {
        {"kept folder", {}, {}, other, other, nullptr},
        {"kept image to convert", {}, {}, qcow2, practice, "is a qcow2 disk image"},
        {"kept choice gone", {}, {}, root / "gone.img", practice, nullptr},
        {"nothing kept", {}, {}, {}, practice, nullptr},
        {"option over the kept choice", drive, {}, qcow2, drive, nullptr},
        {"variable over the kept choice", {}, drive, qcow2, drive, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        c.variable.empty() ? ::unsetenv("QUILLMERE_DRIVE_C") : ::setenv("QUILLMERE_DRIVE_C", c.variable.c_str(), 1);
        settings.values.clear();
        if (!c.kept.empty())
            settings.values[QStringLiteral("DriveC")] = Text(c.kept);
        const StartDrive start = OpenStartDrive(c.option.string(), 0, settings);
        EXPECT_EQ(start.drive.Root(), c.root);
        if (c.problem) {
            EXPECT_TRUE(start.problem.contains(Text(c.kept))) << start.problem.toStdString();
            EXPECT_TRUE(start.problem.contains(QString::fromUtf8(c.problem))) << start.problem.toStdString();
        } else {
            EXPECT_TRUE(start.problem.isEmpty()) << start.problem.toStdString();
        }
        // The kept choice stays for the next start.
        EXPECT_EQ(settings.Read(QStringLiteral("DriveC")), c.kept.empty() ? QString() : Text(c.kept));
    }
    // A choice on the command line that cannot be opened is no fallback: it fails.
    ::unsetenv("QUILLMERE_DRIVE_C");
    EXPECT_THROW(OpenStartDrive(qcow2.string(), 0, settings), FileError);

    env ? ::setenv("QUILLMERE_DRIVE_C", env->c_str(), 1) : ::unsetenv("QUILLMERE_DRIVE_C");
    data ? ::setenv("XDG_DATA_HOME", data->c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
}

// "Show at boot" shows and sets Logo= in C:\MSDOS.SYS; a file it cannot edit greys it out.
TEST_F(ManagerWindowTest, ShowAtBootSetsTheSwitchInMsdosSys)
{
    const std::string before = "[Options]\r\nBootGUI=1\r\nLogo=0\r\n";
    Put(drive / "MSDOS.SYS", Bytes(before.begin(), before.end()));
    Open();
    auto* box = Get<QCheckBox>("chkBootLogo");
    ASSERT_TRUE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(box->toolTip(), QStringLiteral("Start logo at boot: hidden (Logo=0 in C:\\MSDOS.SYS)"));

    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_TRUE(box->isChecked());
    EXPECT_EQ(testing::ReadFile(drive / "MSDOS.SYS"), "[Options]\r\nBootGUI=1\r\nLogo=1\r\n");
    EXPECT_EQ(testing::ReadFile(drive / "VH Backups" / "Msdos.C1K"), before);
    EXPECT_TRUE(messages.shown.empty());

    // MS-DOS's binary MSDOS.SYS: nothing to switch, and the reason as the tooltip.
    const std::string binary("\xEB\x3C\x90\0\0", 5);
    Put(drive / "MSDOS.SYS", Bytes(binary.begin(), binary.end()));
    Open();
    box = Get<QCheckBox>("chkBootLogo");
    EXPECT_FALSE(box->isEnabled());
    EXPECT_TRUE(box->toolTip().contains(QStringLiteral("holds NUL bytes")));
}

// The Current Logo picture's "Use Windows' Own Logo": asked first, naming where the logo is kept.
TEST_F(ManagerWindowTest, UseWindowsOwnLogoRemovesTheLogoAfterKeepingIt)
{
    const Bytes first = Logo(kRed, kBlue), later = Logo(kGreen, kYellow);
    Put(drive / "WINDOWS" / "logow.sys", first);
    Open(); // the first run keeps it as the original
    Put(drive / "WINDOWS" / "logow.sys", later);
    Click("cmdWait");
    auto* own = Get<QLabel>("Image1")->actions().value(0);
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->text(), QStringLiteral("Use Windows' &Own Logo"));

    messages.yes = false;
    own->trigger();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              QStringLiteral("Remove C:\\Windows\\logow.sys, so that Windows shows its own wait logo? It is kept as "
                             "C:\\VH Backups\\Removed logow.sys first."));
    EXPECT_EQ(testing::ReadBytes(drive / "WINDOWS" / "logow.sys"), later);

    messages.yes = true;
    own->trigger();
    EXPECT_FALSE(fs::exists(drive / "WINDOWS" / "logow.sys"));
    EXPECT_EQ(testing::ReadBytes(drive / "VH Backups" / "Removed logow.sys"), later);
    EXPECT_EQ(testing::ReadBytes(drive / "VH Backups" / "Logow.C1K"), first);
    EXPECT_TRUE(Get<QLabel>("Label14")->isVisible()); // "Not Available"
    EXPECT_EQ(messages.shown.size(), 2u);
}

} // namespace
} // namespace quillmere
