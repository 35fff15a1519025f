// The Logo Creator window offscreen: real picture files in a scratch folder,
// settings in memory, the save dialog and message boxes answered by doubles.
#include "creator/window/fMain.h"

#include "desktop/SettingsStore.h"
#include "creator/window/CreateOptionsMenu.h"
#include "creator/CreatorTexts.h"
#include "creator/SizeIt.h"
#include "creator/window/CreatorFont.h"
#include "creator/window/CreatorPreview.h"
#include "imaging/Errors.h"
#include "pictureio/cDIBSave.h"
#include "imaging/decode/PictureLoader.h"
#include "drive/DriveC.h"
#include "manager/window/Form1.h"
#include "preview/window/BootPreviewWindow.h"
#include "support/ManagerDoubles.h"
#include "manager/LogoFormat.h"
#include "support/PictureFixtures.h"
#include "support/PlatformDoubles.h"
#include "support/RunProgram.h"
#include "support/SurfaceHelpers.h"
#include "widgets/FileBrowser.h"
#include "widgets/ucCanvas.h"
#include "widgets/ucInfo.h"
#include "widgets/ucProgress.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <sys/stat.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadBytes;
using testing::WriteBytes;

QString Text(const fs::path& p) { return QString::fromStdString(p.string()); }

// What loading file fails with, as the strip gives it.
QString ReasonFor(const fs::path& file)
{
    try {
        LoadPictureFile(file);
    } catch (const FileError& e) {
        return QString::fromStdString(e.reason());
    } catch (const Error& e) {
        return QString::fromStdString(e.what());
    }
    ADD_FAILURE() << file << " loads";
    return {};
}

// Points every variable that names the temporary folder at folder for as long
// as it lives.
class TemporaryFolderVariables {
public:
    explicit TemporaryFolderVariables(const fs::path& folder)
    {
        for (const char* name : kNames) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(name, folder.c_str(), 1);
        }
    }
    ~TemporaryFolderVariables()
    {
        for (const auto& [name, value] : saved_)
            value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    TemporaryFolderVariables(const TemporaryFolderVariables&) = delete;
    TemporaryFolderVariables& operator=(const TemporaryFolderVariables&) = delete;

private:
    static constexpr const char* kNames[] = {"tmp", "temp", "TMP", "TEMP", "TMPDIR"};
    std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

// The names in folder.
std::set<std::string> Names(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.insert(e.path().filename().string());
    return names;
}

// Remembers the strip's first text and the bar's filled width at every paint
// of the bar, which the bar does at once whenever its filled width changes.
class BarRecorder : public QObject {
public:
    BarRecorder(ucProgress& bar, const ucInfo& info) : bar_(bar), info_(info) { bar.installEventFilter(this); }
    struct Seen {
        QString text;
        std::int32_t filled;
    };
    std::vector<Seen> seen;
    // The widest fill shown while the strip read text.
    std::int32_t Largest(const QString& text) const
    {
        std::int32_t most = -1;
        for (const Seen& s : seen)
            if (s.text == text)
                most = std::max(most, s.filled);
        return most;
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            seen.push_back({info_.TextFile(), bar_.FilledWidth()});
        return false;
    }

private:
    ucProgress& bar_;
    const ucInfo& info_;
};

class CreatorWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
               ("quillmere-creator-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        pictures = root / "pictures";
        snaps = root / "snaps";
        fs::create_directories(pictures);
        fs::create_directories(snaps);
        settings.Write(QStringLiteral("CPath"), Text(pictures));
    }
    void TearDown() override
    {
        window.reset();
        fs::remove_all(root);
    }

    fMain& Open(const fs::path& tempFolder = {})
    {
        window = std::make_unique<fMain>(
            CreatorPlatform{settings, dialog, messages, {}, tempFolder.empty() ? snaps : tempFolder});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    fs::path Photo(const char* name, int width, int height)
    {
        testing::JpegSpec spec;
        spec.width = width;
        spec.height = height;
        spec.quality = 90;
        const fs::path file = pictures / name;
        WriteBytes(file, testing::EncodeJpeg(spec));
        return file;
    }

    // An animated 8-bit 320 x 400 logo whose animation byte is 236: a still
    // picture in entries 0 to 235, and the bottom 16 rows and a scatter of
    // pixels above them in 236 to 255. Returns the file's bytes.
    Bytes AnimatedLogo(const char* name)
    {
        std::vector<std::uint32_t> colours(256);
        for (std::uint32_t i = 0; i < 256; ++i)
            colours[i] = i < 236 ? (i << 16 | (235 - i) << 8 | 0x40) : (0xFF00FFu | (i - 236) * 12 << 8);
        Bytes rows(static_cast<std::size_t>(320) * 400);
        for (std::size_t r = 0; r < 400; ++r) // bottom row first
            for (std::size_t x = 0; x < 320; ++x)
                rows[r * 320 + x] = static_cast<std::uint8_t>(
                    r < 16 || (x % 37 == 5 && r % 29 == 3) ? 236 + (x + r) % 20 : (x / 4 + r / 5) % 236);
        Bytes file = testing::BmpFile(320, 400, 8, colours, rows);
        testing::PutU32(file, 50, 236);
        WriteBytes(pictures / name, file);
        return file;
    }

    // "Save Logo" to pictures/name; the bytes written.
    Bytes SaveAs(const char* name)
    {
        dialog.answers.push_back(Text(pictures / name));
        Click("cmdSave");
        return ReadBytes(pictures / name);
    }

    // A click on the named file in File1.
    void Select(const char* name)
    {
        window->Browser().Refresh();
        const auto found = window->Browser().File()->findItems(QString::fromUtf8(name), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name;
        window->Browser().ListIndex(window->Browser().File()->row(found.first()));
    }

    QPushButton* Button(const char* name) const { return window->findChild<QPushButton*>(QString::fromUtf8(name)); }
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    // Files anywhere under the temporary folder.
    std::size_t SnapshotCount() const
    {
        std::size_t files = 0;
        for (const auto& e : fs::recursive_directory_iterator(snaps))
            files += e.is_regular_file() ? 1 : 0;
        return files;
    }

    fs::path root;
    fs::path pictures;
    fs::path snaps;
    MemorySettingsStore settings;
    testing::FakeSaveDialog dialog;
    testing::FakeMessageBoxes messages;
    std::unique_ptr<fMain> window;
};

TEST_F(CreatorWindowTest, PhotoToSavedLogoEndToEnd)
{
    const fs::path photo = Photo("photo.jpg", 640, 480);
    fMain& w = Open();
    ASSERT_EQ(w.Browser().Path(), pictures);
    EXPECT_FALSE(Button("cmdCreate")->isEnabled());
    EXPECT_FALSE(Button("cmdSave")->isEnabled());

    Select("photo.jpg");
    EXPECT_EQ(w.Info().TextFile(), Text(photo));
    EXPECT_EQ(w.Info().TextInfo(), "640x480x24b");
    EXPECT_EQ(w.Info().TextZoom().toStdString(), FormatFileSize(static_cast<double>(fs::file_size(photo))));
    EXPECT_EQ(w.DIBbpp(), 24);
    EXPECT_TRUE(Button("cmdCreate")->isEnabled());
    EXPECT_FALSE(Button("cmdSave")->isEnabled());
    EXPECT_TRUE(fs::exists(w.Snapshots().FileName(0)));

    BarRecorder bar(w.Progress(), w.Info());
    Click("cmdCreate");
    EXPECT_EQ(w.Canvas().DIB().Width(), 320);
    EXPECT_EQ(w.Canvas().DIB().Height(), 400);
    EXPECT_EQ(w.DIBbpp(), 8);
    EXPECT_EQ(w.DIBPal().Count(), 256);
    EXPECT_EQ(w.Info().TextFile(), "Processing Complete - Click \"Save Logo\"");
    EXPECT_EQ(w.Info().TextInfo(), "320x400x8b");
    EXPECT_EQ(w.Info().TextZoom(), "");
    EXPECT_TRUE(Button("cmdSave")->isEnabled());
    // The bar filled to its last row under each text and ended empty.
    EXPECT_EQ(w.Progress().Max(), 400);
    const int full = w.Progress().contentsRect().width();
    EXPECT_GE(bar.Largest("Resizing..."), full - 1);
    EXPECT_GE(bar.Largest("Converting..."), full - 1);
    EXPECT_EQ(w.Progress().Value(), 0);
    EXPECT_EQ(w.Progress().FilledWidth(), 0);
    // Load, resize and colour reduction each left a snapshot.
    EXPECT_EQ(w.Snapshots().Index(), 3);
    EXPECT_EQ(SnapshotCount(), 3u);

    const fs::path logo = pictures / "logo.bmp";
    dialog.answers.push_back(Text(logo));
    QSignalSpy saved(&w, &fMain::LogoSaved);
    Click("cmdSave");
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].title, "Save Logo As");
    EXPECT_EQ(dialog.requests[0].filter, "Bitmap files (*.bmp)");
    EXPECT_EQ(dialog.requests[0].defaultSuffix, "bmp");
    // Before any save: the pictures folder, here none, so home; never the working folder.
    EXPECT_EQ(dialog.requests[0].folder, QDir::homePath());
    ASSERT_TRUE(fs::exists(logo));
    EXPECT_EQ(fs::file_size(logo), 129078u);
    EXPECT_TRUE(IsValidLogo(logo));
    EXPECT_TRUE(w.Info().TextFile().startsWith("Saved - ")) << w.Info().TextFile().toStdString();
    EXPECT_TRUE(w.Info().TextFile().endsWith("/logo.bmp")) << w.Info().TextFile().toStdString();
    EXPECT_EQ(w.Info().TextZoom(), "126.05 KB");
    EXPECT_EQ(settings.Read(QStringLiteral("SavePath")), Text(logo));
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(w.CurrentFileName(), logo);
    EXPECT_EQ(w.Browser().File()->findItems(QStringLiteral("logo.bmp"), Qt::MatchExactly).size(), 1);
    EXPECT_TRUE(messages.shown.empty());

    // The command line makes the same file from the same picture.
    const fs::path cli = root / "cli.sys";
    const auto run = testing::RunProgram({QUILLMERE_EXE, "convert", photo.string(), cli.string()}, root);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(ReadBytes(cli) == ReadBytes(logo));

    // The next save dialog opens in the last logo's folder.
    dialog.answers.push_back(QString()); // cancel
    Click("cmdSave");
    ASSERT_EQ(dialog.requests.size(), 2u);
    EXPECT_EQ(dialog.requests[1].folder, Text(pictures));
}

class PaletteBitmapTest : public CreatorWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(PaletteBitmapTest, LoadsWithItsDepthAndOwnPalette)
{
    const int bpp = GetParam();
    const int colours = 1 << bpp;
    std::vector<std::uint32_t> table;
    for (int i = 0; i < colours; ++i)
        table.push_back(static_cast<std::uint32_t>(0x102030 + i * 0x010305) & 0xFFFFFFu);
    constexpr int kW = 9, kH = 5;
    const int stride = ((kW * bpp + 31) / 32) * 4;
    Bytes rows(static_cast<std::size_t>(stride) * kH, 0);
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i] = static_cast<std::uint8_t>(i * 37);
    WriteBytes(pictures / "paletted.bmp", testing::BmpFile(kW, kH, static_cast<std::uint16_t>(bpp), table, rows));
    fMain& w = Open();
    Select("paletted.bmp");
    EXPECT_EQ(w.DIBbpp(), bpp);
    EXPECT_EQ(w.Info().TextInfo(), QStringLiteral("9x5x%1b").arg(bpp));
    ASSERT_EQ(w.DIBPal().Count(), colours);
    for (int i = 0; i < colours; ++i) {
        const auto e = static_cast<std::uint8_t>(i);
        const std::uint32_t rgb = static_cast<std::uint32_t>(w.DIBPal().rgbR(e)) << 16 |
                                  static_cast<std::uint32_t>(w.DIBPal().rgbG(e)) << 8 | w.DIBPal().rgbB(e);
        EXPECT_EQ(rgb, table[static_cast<std::size_t>(i)]) << "entry " << i;
    }
    EXPECT_EQ(w.DIBDither().PalIDBpp(), bpp);
    EXPECT_EQ(w.DIBDither().PalID(), rows);
}

INSTANTIATE_TEST_SUITE_P(Depths, PaletteBitmapTest, ::testing::Values(1, 4, 8));

// The choices of "Create Logo"'s context menu: nothing stored (or a value no
// one knows) is the standard conversion; a choice is kept at once, used by the
// next "Create Logo" and by the next window, and named in the strip.
TEST_F(CreatorWindowTest, CreateOptionsAreChosenKeptAndShown)
{
    settings.Write(QStringLiteral("Quality"), QStringLiteral("finest"));
    fMain& w = Open();
    CreateOptionsMenu& menu = w.CreateOptions();
    EXPECT_TRUE(menu.Action(LogoQuality::Exact)->isChecked());
    EXPECT_TRUE(menu.Action(LogoFit::Stretch)->isChecked());

    // Shift+F10 opens the menu from the keyboard, before any picture is loaded
    // (the button, disabled then, takes no click).
    QApplication::setActiveWindow(&w);
    QTest::keyClick(&w, Qt::Key_F10, Qt::ShiftModifier);
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->objectName(), QStringLiteral("mnuCreateOptions"));
    popup->close();

    menu.Action(LogoQuality::Best)->trigger();
    menu.Action(LogoFit::Pad)->trigger();
    EXPECT_EQ(settings.Read(QStringLiteral("Quality")), QStringLiteral("best"));
    EXPECT_EQ(settings.Read(QStringLiteral("Fit")), QStringLiteral("pad"));

    // A 1:4 picture padded to 4:3: black on both sides, the picture between.
    Photo("tall.jpg", 30, 120);
    Select("tall.jpg");
    Click("cmdCreate");
    const cDIB& dib = w.Canvas().DIB();
    ASSERT_EQ(dib.Width(), 320);
    ASSERT_EQ(dib.Height(), 400);
    const std::vector<std::uint32_t> px = testing::GetPixels(dib);
    for (const int x : {0, 129, 190, 319})
        EXPECT_EQ(px[200 * 320 + x] & 0xFFFFFFu, 0u) << "x " << x;
    EXPECT_EQ(w.Info().TextZoom(), QStringLiteral("best, pad"));

    window.reset();
    fMain& again = Open();
    EXPECT_TRUE(again.CreateOptions().Action(LogoQuality::Best)->isChecked());
    EXPECT_TRUE(again.CreateOptions().Action(LogoFit::Pad)->isChecked());
    EXPECT_EQ(OptionsTag(again.CreateOptions().Options()), "best, pad");
}

// Keeping the animation is offered, and chosen, while the canvas holds an
// animated logo as loaded; the stored choice comes back when it goes.
TEST_F(CreatorWindowTest, AnimatedLogoOffersKeepUntilItIsGone)
{
    settings.Write(QStringLiteral("Animation"), QStringLiteral("band"));
    AnimatedLogo("animated.bmp");
    Photo("still.jpg", 64, 48);
    fMain& w = Open();
    CreateOptionsMenu& menu = w.CreateOptions();
    QAction* keep = menu.Action(LogoAnimationChoice::Keep);
    EXPECT_FALSE(keep->isVisible());

    Select("animated.bmp");
    EXPECT_TRUE(keep->isVisible());
    EXPECT_TRUE(keep->isChecked());
    EXPECT_EQ(w.DIBFirstAnimated(), 236);
    // Shown as at start-up, it moves as the file does.
    w.findChild<CreatorPreview*>()->Open();
    const auto* preview = w.findChild<BootPreviewWindow*>();
    ASSERT_TRUE(preview && preview->HasPicture());
    EXPECT_EQ(preview->Screen()->FirstAnimated(), 236);

    Select("still.jpg");
    EXPECT_FALSE(keep->isVisible());
    EXPECT_TRUE(menu.Action(LogoAnimationChoice::Band)->isChecked());
    EXPECT_EQ(w.DIBFirstAnimated(), 0);

    // A logo made without the animation is no longer the animated one.
    Select("animated.bmp");
    menu.Action(LogoAnimationChoice::None)->trigger();
    Click("cmdCreate");
    EXPECT_FALSE(keep->isVisible());
    EXPECT_TRUE(menu.Action(LogoAnimationChoice::None)->isChecked());
    EXPECT_EQ(w.DIBFirstAnimated(), 0);
    EXPECT_EQ(SaveAs("still.bmp").at(50), 0);
}

// The logo made keeps every animated pixel, its entries and its animation
// byte; the rest of the picture is reduced into the entries below.
TEST_F(CreatorWindowTest, KeptAnimationIsSavedAsLoaded)
{
    const Bytes original = AnimatedLogo("animated.bmp");
    fMain& w = Open();
    Select("animated.bmp");
    CreateOptionsMenu& menu = w.CreateOptions();

    // Cropping would move the pixels that animate: refused, nothing made.
    menu.Action(LogoFit::Crop)->trigger();
    Click("cmdCreate");
    EXPECT_TRUE(w.Info().TextFile().startsWith("Cannot create the logo: ")) << w.Info().TextFile().toStdString();
    EXPECT_FALSE(Button("cmdSave")->isEnabled());
    EXPECT_TRUE(menu.Action(LogoAnimationChoice::Keep)->isChecked());

    menu.Action(LogoFit::Stretch)->trigger();
    Click("cmdCreate");
    EXPECT_EQ(w.Info().WholeText(ucInfo::ZoomField), QStringLiteral("keep animation"));
    const Bytes saved = SaveAs("kept.bmp");
    ASSERT_EQ(saved.size(), original.size());
    EXPECT_EQ(saved[50], 236);
    constexpr std::size_t kTable = 54, kPixels = 54 + 1024;
    EXPECT_TRUE(std::equal(saved.begin() + kTable + 236 * 4, saved.begin() + kPixels,
                           original.begin() + kTable + 236 * 4));
    std::size_t animated = 0, wrong = 0;
    for (std::size_t i = kPixels; i < saved.size(); ++i) {
        const bool moves = original[i] >= 236;
        animated += moves ? 1 : 0;
        wrong += (moves ? saved[i] != original[i] : saved[i] >= 236) ? 1 : 0;
    }
    EXPECT_GT(animated, 16u * 320);
    EXPECT_EQ(wrong, 0u);

    // Its animated pixels stay where they were: the logo made can keep them again.
    EXPECT_TRUE(menu.Action(LogoAnimationChoice::Keep)->isChecked());
    Click("cmdCreate");
    EXPECT_EQ(SaveAs("again.bmp").at(50), 236);
}

// The border colour takes entry 0 (what the screen shows around the logo). A
// 320 x 400 picture, so no resize moves its edge: the top and bottom rows in
// one colour, the rest of the outermost columns in another, no black inside.
TEST_F(CreatorWindowTest, BorderColourTakesEntryZero)
{
    constexpr std::uint32_t kRows = 0xE0A040, kColumns = 0x40A0E0;
    constexpr std::uint32_t kEdge = 0x87A099; // (640 rows' + 796 columns') / 1436, each component
    Bytes rows;
    for (std::uint32_t y = 0; y < 400; ++y)
        for (std::uint32_t x = 0; x < 320; ++x) {
            const std::uint32_t c = y == 0 || y == 399 ? kRows
                                    : x == 0 || x == 319 ? kColumns
                                                         : (0x20u + x % 64) << 16 | (0x80u + y % 128) << 8 | 0xE0u;
            rows.insert(rows.end(), {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8),
                                     static_cast<std::uint8_t>(c >> 16)});
        }
    WriteBytes(pictures / "framed.bmp", testing::BmpFile(320, 400, 24, {}, rows));
    fMain& w = Open();
    const struct {
        BorderChoice choice;
        std::optional<std::uint32_t> entry0; // none: the palette's own, neither of the others
        const char* tag;
    } cases[] = {
        {BorderChoice::Palette, std::nullopt, ""},
        {BorderChoice::Edge, kEdge, "edge border"},
        {BorderChoice::Colour, 0x000000, "black border"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tag);
        Select("framed.bmp");
        w.CreateOptions().Action(c.choice)->trigger();
        Click("cmdCreate");
        EXPECT_EQ(w.Info().WholeText(ucInfo::ZoomField), QString::fromLatin1(c.tag));
        const Bytes saved = SaveAs("bordered.bmp");
        ASSERT_EQ(saved.size(), 129078u);
        const std::uint32_t entry0 = std::uint32_t{saved[56]} << 16 | std::uint32_t{saved[55]} << 8 | saved[54];
        if (c.entry0) {
            EXPECT_EQ(entry0, *c.entry0);
        } else {
            EXPECT_NE(entry0, kEdge);
            EXPECT_NE(entry0, 0u);
        }
        EXPECT_EQ(saved[50], 0);
    }
}

TEST_F(CreatorWindowTest, SameSizeRepaintsWithoutNewLayout)
{
    Photo("a.jpg", 64, 48);
    Photo("b.jpg", 64, 48);
    Photo("c.jpg", 30, 20);
    fMain& w = Open();
    Select("a.jpg");
    QSignalSpy layouts(&w.Canvas(), &ucCanvas::ViewChanged);
    Select("b.jpg");
    EXPECT_EQ(layouts.count(), 0);
    EXPECT_EQ(w.Info().TextFile(), Text(pictures / "b.jpg"));
    Select("c.jpg");
    EXPECT_GE(layouts.count(), 1);
}

TEST_F(CreatorWindowTest, UnreadablePictureLeavesEverythingAndSaysWhy)
{
    Photo("good.jpg", 40, 30);
    Bytes broken = testing::EncodeJpeg({});
    broken.resize(broken.size() / 3);
    WriteBytes(pictures / "broken.jpg", broken);
    fMain& w = Open();
    Select("good.jpg");
    const QString info = w.Info().TextInfo();
    const std::int32_t index = w.Snapshots().Index();

    Select("broken.jpg");
    EXPECT_TRUE(w.Info().TextFile().startsWith("Cannot open ")) << w.Info().TextFile().toStdString();
    EXPECT_TRUE(w.Info().TextFile().endsWith(": " + ReasonFor(pictures / "broken.jpg")))
        << w.Info().TextFile().toStdString();
    EXPECT_EQ(w.Info().TextInfo(), info);
    EXPECT_EQ(w.Canvas().DIB().Width(), 40);
    EXPECT_EQ(w.Snapshots().Index(), index);
    EXPECT_TRUE(Button("cmdCreate")->isEnabled());
    EXPECT_EQ(w.CurrentFileName(), pictures / "good.jpg");

    // Still usable: the logo is made as before.
    Click("cmdCreate");
    EXPECT_EQ(w.Info().TextInfo(), "320x400x8b");
}

TEST_F(CreatorWindowTest, FailedSaveSaysWhereAndWhyAndChangesNothing)
{
    Photo("p.jpg", 50, 50);
    const fs::path readOnly = root / "kept.bmp";
    WriteBytes(readOnly, Bytes{'o', 'l', 'd'});
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);
    fs::create_directories(root / "folder.bmp");
    fMain& w = Open();
    Select("p.jpg");
    Click("cmdCreate");
    const QString status = w.Info().TextFile();

    // One sentence that names the file once and says why.
    const struct {
        fs::path target;
        std::string said; // after the file's name
    } cases[] = {
        {root / "missing" / "x.bmp", ": the folder " + (root / "missing").string() + " does not exist"},
        {readOnly, ": the file is read-only"},
        {root / "folder.bmp", " is a folder"},
    };
    for (const auto& c : cases) {
        messages.shown.clear();
        dialog.answers.push_back(Text(c.target));
        Click("cmdSave");
        ASSERT_EQ(messages.shown.size(), 1u) << c.target;
        EXPECT_EQ(messages.shown[0].text, Text(c.target) + QString::fromStdString(c.said) +
                                              ", so the logo was not saved.");
        EXPECT_EQ(w.Info().TextFile(), status);
        EXPECT_EQ(settings.Read(QStringLiteral("SavePath")), "");
        EXPECT_EQ(w.CurrentFileName(), pictures / "p.jpg");
    }
    EXPECT_EQ(ReadBytes(readOnly), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(root / "missing"));

    // Cancelling writes nothing and says nothing.
    messages.shown.clear();
    dialog.answers.push_back(QString()); // cancel
    Click("cmdSave");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(w.Info().TextFile(), status);
}

// Each snapshot holds what saving at that moment would write: the loaded
// photo at 24 bits (rows spread over several pieces), then the logo at 8.
TEST_F(CreatorWindowTest, SnapshotsHoldWhatSavingWouldWrite)
{
    Photo("p.jpg", 700, 600);
    fMain& w = Open();
    Select("p.jpg");
    const fs::path saved = root / "saved.bmp";
    cDIBSave::Save_BMP(saved.string(), w.Canvas().DIB(), w.DIBPal(), w.DIBDither(), 24);
    EXPECT_TRUE(ReadBytes(saved) == ReadBytes(w.Snapshots().FileName(0)));
    Click("cmdCreate");
    cDIBSave::Save_BMP(saved.string(), w.Canvas().DIB(), w.DIBPal(), w.DIBDither(), 8);
    EXPECT_EQ(fs::file_size(w.Snapshots().FileName(2)), 129078u);
    EXPECT_TRUE(ReadBytes(saved) == ReadBytes(w.Snapshots().FileName(2)));
}

TEST_F(CreatorWindowTest, SnapshotsThatCannotBeWrittenAreSkipped)
{
    Photo("p.jpg", 20, 20);
    fMain& w = Open(root / "no-such-folder");
    Select("p.jpg");
    Click("cmdCreate");
    EXPECT_EQ(w.Info().TextInfo(), "320x400x8b");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(fs::exists(root / "no-such-folder"));
}

// How the Logo Creator goes away.
enum class Closing { CloseButton, TitleBar, ManagerClose, EndOfProgram };

struct ClosingCase {
    const char* name;
    Closing how;
};

void PrintTo(const ClosingCase& c, std::ostream* out) { *out << c.name; }

class CreatorClosingTest : public CreatorWindowTest, public ::testing::WithParamInterface<ClosingCase> {};

// Another user who can predict the snapshot names plants, in the shared
// temporary folder, a FIFO (which would hold an open for writing forever), a
// file anyone may read and write, and a link to a file of the user's, at the
// first names. None of them is touched: the snapshots go to a private folder,
// and nothing of them is left once the window has gone.
TEST_P(CreatorClosingTest, SnapshotsStayPrivateAndGoWithTheWindow)
{
    const Closing how = GetParam().how;
    const fs::path shared = root / "shared-tmp";
    fs::create_directories(shared);
    const TemporaryFolderVariables variables(shared);
    Photo("p.jpg", 40, 30);

    testing::ManagerFakes fakes;
    std::unique_ptr<Form1> manager;
    fMain* w = nullptr;
    if (how == Closing::ManagerClose) {
        fs::create_directories(root / "drive_c" / "WINDOWS");
        fs::create_directories(root / "program");
        fakes.settings.Write(QStringLiteral("CPath"), Text(pictures));
        manager = std::make_unique<Form1>(fakes.Platform(root / "program"), DriveC(root / "drive_c"));
        manager->show();
        QTest::mouseClick(manager->findChild<QPushButton*>(QStringLiteral("cmdCreate")), Qt::LeftButton);
        w = manager->Creator();
        ASSERT_NE(w, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    } else {
        window = std::make_unique<fMain>(CreatorPlatform{settings, dialog, messages, {}, {}});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        w = window.get();
    }

    const std::string prefix = "b" + std::to_string(w->winId());
    const fs::path fifo = shared / (prefix + "000.dat");
    const fs::path open = shared / (prefix + "001.dat");
    const fs::path link = shared / (prefix + "002.dat");
    const fs::path victim = root / "victim.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
    testing::WriteBytes(open, {});
    fs::permissions(open, fs::perms::all & ~(fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec));
    testing::WriteBytes(victim, Bytes{'k', 'e', 'e', 'p'});
    fs::create_symlink(victim, link);
    const std::set<std::string> planted = Names(shared);

    w->Browser().Path(pictures);
    w->Browser().Refresh();
    const auto found = w->Browser().File()->findItems(QStringLiteral("p.jpg"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    w->Browser().ListIndex(w->Browser().File()->row(found.first()));
    EXPECT_EQ(w->Info().TextInfo(), "40x30x24b");
    QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdCreate")), Qt::LeftButton);
    EXPECT_EQ(w->Info().TextInfo(), "320x400x8b");

    // Load, resize and colour reduction: three snapshots, in a folder of the
    // window's own inside the temporary folder, which only the user may enter.
    const fs::path mine = w->Snapshots().Folder();
    ASSERT_FALSE(mine.empty());
    EXPECT_EQ(mine.parent_path(), shared);
    struct stat info {};
    ASSERT_EQ(::lstat(mine.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(Names(mine), (std::set<std::string>{prefix + "000.dat", prefix + "001.dat", prefix + "002.dat"}));
    EXPECT_EQ(fs::file_size(mine / (prefix + "002.dat")), 129078u);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_EQ(fs::file_size(open), 0u);
    EXPECT_EQ(testing::ReadBytes(victim), (Bytes{'k', 'e', 'e', 'p'}));
    std::set<std::string> during = planted;
    during.insert(mine.filename().string());
    EXPECT_EQ(Names(shared), during);

    switch (how) {
    case Closing::CloseButton:
        QTest::mouseClick(w->findChild<QPushButton*>(QStringLiteral("cmdClose")), Qt::LeftButton);
        break;
    case Closing::TitleBar: {
        // What the window system sends when the title bar's close box is pressed.
        QCloseEvent close;
        QCoreApplication::sendEvent(w->windowHandle(), &close);
        break;
    }
    case Closing::ManagerClose:
        QTest::mouseClick(manager->findChild<QPushButton*>(QStringLiteral("cmdClose")), Qt::LeftButton);
        break;
    case Closing::EndOfProgram:
        window.reset(); // as when the program returns from its event loop
        break;
    }
    if (how != Closing::EndOfProgram) {
        EXPECT_FALSE(w->isVisible());
    }
    EXPECT_EQ(Names(shared), planted);
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    EXPECT_EQ(fs::file_size(open), 0u);
    EXPECT_EQ(testing::ReadBytes(victim), (Bytes{'k', 'e', 'e', 'p'}));
    manager.reset();
    EXPECT_EQ(Names(shared), planted);
}

INSTANTIATE_TEST_SUITE_P(Ways, CreatorClosingTest,
                         ::testing::Values(ClosingCase{"CloseButton", Closing::CloseButton},
                                           ClosingCase{"TitleBar", Closing::TitleBar},
                                           ClosingCase{"ManagerClose", Closing::ManagerClose},
                                           ClosingCase{"EndOfProgram", Closing::EndOfProgram}),
                         [](const ::testing::TestParamInfo<ClosingCase>& info) { return std::string(info.param.name); });

// A window shown again after a close starts as a new one: nothing loaded, both
// buttons off, no palette or indices, on the folder "CPath" names now; the
// Close button keeps the folder in "CPath", the title bar does not.
TEST_F(CreatorWindowTest, ComesBackFreshAfterEveryClose)
{
    fs::create_directories(pictures / "sub");
    fs::create_directories(pictures / "elsewhere");
    Photo("p.jpg", 64, 48);
    fMain& w = Open();
    for (const bool closeButton : {true, false}) {
        SCOPED_TRACE(closeButton ? "Close button" : "title bar");
        w.show();
        w.Browser().Path(pictures);
        Select("p.jpg");
        Click("cmdCreate");
        const fs::path logo = pictures / "sub" / "logo.bmp";
        dialog.answers.push_back(Text(logo));
        Click("cmdSave");
        ASSERT_TRUE(fs::exists(logo));
        ASSERT_TRUE(Button("cmdSave")->isEnabled());
        w.findChild<CreatorPreview*>()->Open();
        const QPointer<BootPreviewWindow> preview = w.findChild<BootPreviewWindow*>();
        ASSERT_TRUE(preview && preview->isVisible());
        w.Browser().Path(pictures / "sub");

        settings.Write(QStringLiteral("CPath"), Text(pictures / "elsewhere"));
        if (closeButton) {
            Click("cmdClose");
            EXPECT_EQ(settings.Read(QStringLiteral("CPath")), Text(pictures / "sub"));
        } else {
            QCloseEvent close;
            QCoreApplication::sendEvent(w.windowHandle(), &close);
            EXPECT_EQ(settings.Read(QStringLiteral("CPath")), Text(pictures / "elsewhere"));
        }
        ASSERT_FALSE(w.isVisible());
        const QString cpath = settings.Read(QStringLiteral("CPath"));
        // Whatever the folder list showed last, the window reopens where "CPath" says.
        w.Browser().Path(pictures);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

        EXPECT_EQ(Text(w.Browser().Path()), cpath);
        EXPECT_FALSE(Button("cmdCreate")->isEnabled());
        EXPECT_FALSE(Button("cmdSave")->isEnabled());
        EXPECT_EQ(w.Canvas().DIB().hDIB(), nullptr);
        EXPECT_FALSE(w.Canvas().Layout().picture);
        EXPECT_EQ(w.DIBbpp(), 0);
        EXPECT_EQ(w.DIBPal().Count(), 0);
        EXPECT_EQ(w.DIBDither().PalIDSize(), 0);
        EXPECT_EQ(w.CurrentFileName(), fs::path());
        EXPECT_EQ(w.Info().TextFile(), "");
        EXPECT_EQ(w.Info().TextInfo(), "");
        EXPECT_EQ(w.Info().TextZoom(), "");
        EXPECT_EQ(w.Progress().Value(), 0);
        EXPECT_EQ(w.Snapshots().Index(), 0);
        EXPECT_TRUE(w.Snapshots().Folder().empty());
        EXPECT_EQ(SnapshotCount(), 0u);
        // The preview of the old picture went with the window.
        EXPECT_TRUE(!preview || !preview->isVisible());
        // A load enables "Create Logo" alone, as in a new window.
        w.Browser().Path(pictures);
        Select("p.jpg");
        EXPECT_FALSE(Button("cmdSave")->isEnabled());
        EXPECT_EQ(w.Info().TextInfo(), "64x48x24b");
        w.close();
    }
}

// A close that reaches the window while "Create Logo" lets events run (the
// title bar's, or the Logo Manager's) waits until the logo is done, then the
// window starts afresh.
TEST_F(CreatorWindowTest, CloseDuringCreateLogoWaitsForTheEnd)
{
    Photo("p.jpg", 64, 48);
    fMain& w = Open();
    Select("p.jpg");
    bool sent = false;
    QObject::connect(&w.Canvas(), &ucCanvas::DIBProgress, &w, [&](std::int32_t) {
        if (std::exchange(sent, true))
            return;
        QCloseEvent close;
        QCoreApplication::sendEvent(w.windowHandle(), &close);
    });
    Click("cmdCreate");
    ASSERT_TRUE(sent);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Canvas().DIB().hDIB(), nullptr);
    EXPECT_EQ(w.DIBbpp(), 0);
    EXPECT_EQ(w.DIBDither().PalIDSize(), 0);
    EXPECT_FALSE(Button("cmdCreate")->isEnabled());
    EXPECT_FALSE(Button("cmdSave")->isEnabled());
    EXPECT_EQ(w.Info().TextFile(), "");
    EXPECT_TRUE(w.Snapshots().Folder().empty());
    EXPECT_EQ(SnapshotCount(), 0u);
}

TEST_F(CreatorWindowTest, StartsOnTheNearestFolderOfCPath)
{
    settings.Write(QStringLiteral("CPath"), Text(pictures / "gone" / "deeper"));
    fMain& w = Open();
    EXPECT_EQ(w.Browser().Path(), pictures);
}

// Every control by name: place after the layout, caption.
TEST_F(CreatorWindowTest, LayoutAndCaptions)
{
    fMain& w = Open();
    EXPECT_EQ(w.windowTitle(), "Logo Creator");
    EXPECT_EQ(w.size(), QSize(556, 554));
    const auto geometry = [&w](const char* name) {
        const QWidget* c = w.findChild<QWidget*>(QString::fromUtf8(name));
        return c ? c->geometry() : QRect();
    };
    EXPECT_EQ(geometry("Drive1"), QRect(8, 32, 153, 21));
    EXPECT_EQ(geometry("Dir1"), QRect(8, 56, 153, 156));
    EXPECT_EQ(geometry("File1"), QRect(8, 232, 153, 304));
    EXPECT_EQ(geometry("Canvas"), QRect(169, 32, 383, 464));
    EXPECT_EQ(geometry("Progress"), QRect(0, 536, 100, 18));
    EXPECT_EQ(geometry("Info"), QRect(100, 534, 456, 20));

    const QRect screen = w.screen()->geometry();
    const auto centred = [&] {
        const QPoint off = w.frameGeometry().center() - screen.center();
        return std::abs(off.x()) <= 1 && std::abs(off.y()) <= 1;
    };
    EXPECT_TRUE(centred());
    w.resize(656, 654);
    EXPECT_EQ(geometry("Canvas"), QRect(169, 32, 483, 564));
    EXPECT_EQ(geometry("File1"), QRect(8, 232, 153, 404));
    EXPECT_TRUE(centred());
    w.resize(556, 554);

    const std::map<QString, QString> captions = {{"Label2", "Select Directory"},
                                                 {"Label1", "Select a File"},
                                                 {"lblActual", "Preview Shown Actual Size"},
                                                 {"cmdCreate", "&Create Logo"},
                                                 {"cmdSave", "&Save Logo"},
                                                 {"cmdClose", "Cl&ose"}};
    for (const auto& [name, caption] : captions) {
        const QWidget* c = w.findChild<QWidget*>(name);
        ASSERT_NE(c, nullptr) << name.toStdString();
        const auto* label = qobject_cast<const QLabel*>(c);
        const auto* button = qobject_cast<const QPushButton*>(c);
        EXPECT_EQ(label ? label->text() : button->text(), caption);
    }

    if (const QByteArray out = qgetenv("QUILLMERE_SAVE_GRABS"); !out.isEmpty())
        w.grab().save(QString::fromUtf8(out) + QStringLiteral("/creator.png"));
}

// The text is as large as the Logo Manager's, whatever the captions: a caption
// too wide for its control widens the control about the control's centre.
TEST_F(CreatorWindowTest, CaptionsWidenTheirControlsAboutTheirCentres)
{
    fMain& w = Open();
    EXPECT_EQ(QFontInfo(w.font()).pixelSize(), WindowFontPixels(DesktopSmallFontPixels()));
    EXPECT_GE(QFontInfo(w.font()).pixelSize(), 11);

    // Where each control's centre lies (twice over, in whole pixels) at 556 x 554.
    struct Centre {
        const char* name;
        int x2, y2;
        bool button;
    };
    constexpr Centre kCentres[] = {
        {"Label2", 2 * 8 + 153, 2 * 15 + 13, false},   {"Label1", 2 * 8 + 153, 2 * 216 + 13, false},
        {"lblActual", 2 * 255 + 129, 2 * 15 + 13, false}, {"cmdCreate", 2 * 153 + 113, 2 * 504 + 25, true},
        {"cmdSave", 2 * 293 + 113, 2 * 504 + 25, true}, {"cmdClose", 2 * 433 + 113, 2 * 504 + 25, true},
    };
    // At the window's own size, and at one large enough to widen every control.
    for (const int pixels : {QFontInfo(w.font()).pixelSize(), 24}) {
        SCOPED_TRACE(pixels);
        QFont font = w.font();
        font.setPixelSize(pixels);
        w.setFont(font);
        const QFontMetrics metrics(w.font());
        for (const Centre& c : kCentres) {
            const QWidget* control = w.findChild<QWidget*>(QString::fromUtf8(c.name));
            ASSERT_NE(control, nullptr) << c.name;
            const auto* label = qobject_cast<const QLabel*>(control);
            QString text = label ? label->text() : static_cast<const QPushButton*>(control)->text();
            text.remove(u'&');
            const QRect r = control->geometry();
            EXPECT_LE(metrics.horizontalAdvance(text) + (c.button ? kButtonMargin : 0), r.width()) << c.name;
            EXPECT_LE(metrics.height(), r.height()) << c.name;
            EXPECT_GE(r.width(), c.button ? 113 : (std::string_view(c.name) == "lblActual" ? 129 : 153)) << c.name;
            EXPECT_LE(std::abs(2 * r.left() + r.width() - c.x2), 1) << c.name;
            EXPECT_LE(std::abs(2 * r.top() + r.height() - c.y2), 1) << c.name;
        }
    }
}

// Tab goes round the six stops alone, forwards and backwards.
TEST_F(CreatorWindowTest, TabVisitsTheSixStopsInOrder)
{
    Photo("p.jpg", 20, 20);
    fMain& w = Open();
    Select("p.jpg");
    Click("cmdCreate"); // both buttons on
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.Browser().Drive()->setFocus(Qt::TabFocusReason);

    const QStringList order = {"Dir1", "cmdSave", "cmdClose", "cmdCreate", "File1", "Drive1"};
    for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Backtab}) {
        QStringList seen;
        for (qsizetype i = 0; i < order.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), key);
            seen << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString());
        }
        QStringList expected = order;
        if (key == Qt::Key_Backtab) {
            std::reverse(expected.begin(), expected.end());
            expected.removeFirst();
            expected << "Drive1";
        }
        EXPECT_EQ(seen, expected) << (key == Qt::Key_Tab ? "Tab" : "Shift+Tab");
    }
}

// The strip's first field keeps the words of a message about a file whole,
// shortening the path in its middle, and fits the message again as the strip
// changes width.
TEST_F(CreatorWindowTest, MessagesAboutAFileKeepTheirWordsWhole)
{
    const fs::path deep = pictures / std::string(60, 'd') / std::string(60, 'e');
    fs::create_directories(deep);
    const fs::path gone = deep / "gone.jpg";
    Photo("p.jpg", 30, 20);
    fs::copy_file(pictures / "p.jpg", gone);
    fMain& w = Open();

    struct Message {
        const char* name;
        QString prefix, path, suffix;
        QString end; // how the text ends, shortened or not
        std::function<void()> show;
    };
    const fs::path logo = deep / "logo.bmp";
    const Message messages[] = {
        // Listed, then removed before the click.
        {"load", "Cannot open ", Text(gone), ": no such file", "/gone.jpg: no such file",
         [&] {
             w.Browser().Path(deep);
             w.Browser().Refresh();
             const auto found = w.Browser().File()->findItems(QStringLiteral("gone.jpg"), Qt::MatchExactly);
             ASSERT_EQ(found.size(), 1);
             fs::remove(gone);
             w.Browser().ListIndex(w.Browser().File()->row(found.first()));
         }},
        {"save", "Saved - ", Text(logo), "", "logo.bmp",
         [&] {
             w.Browser().Path(pictures);
             Select("p.jpg");
             dialog.answers.push_back(Text(logo));
             Click("cmdCreate");
             Click("cmdSave");
         }},
    };
    for (const Message& m : messages) {
        SCOPED_TRACE(m.name);
        w.resize(556, 554);
        m.show();
        const QFontMetrics metrics(w.Info().font());
        // Too narrow for the whole path at the start, wide enough, narrow again.
        for (const int width : {556, 2200, 700}) {
            SCOPED_TRACE(width);
            w.resize(width, 554);
            const QString text = w.Info().TextFile();
            const bool whole = width == 2200;
            ASSERT_EQ(metrics.horizontalAdvance(m.prefix + m.path + m.suffix) <= w.Info().TextFileWidth(), whole);
            EXPECT_TRUE(text.startsWith(m.prefix)) << text.toStdString();
            EXPECT_TRUE(text.endsWith(m.end)) << text.toStdString();
            EXPECT_LE(metrics.horizontalAdvance(text), w.Info().TextFileWidth()) << text.toStdString();
            if (whole) {
                EXPECT_EQ(text, m.prefix + m.path + m.suffix);
            } else {
                EXPECT_TRUE(text.contains(QChar(0x2026))) << text.toStdString();
            }
            if (const QByteArray out = qgetenv("QUILLMERE_SAVE_GRABS"); !out.isEmpty() && width == 556)
                w.grab().save(QString::fromUtf8(out) + QStringLiteral("/creator-%1.png").arg(QString::fromUtf8(m.name)));
        }
    }
    // Another text in the strip is left alone when the strip changes width.
    Click("cmdCreate");
    const QString status = w.Info().TextFile();
    w.resize(556, 554);
    EXPECT_EQ(w.Info().TextFile(), status);
}

// Every choice differs from the default: the strip names them in the words
// that fit the field, and hovering the field gives them whole.
TEST_F(CreatorWindowTest, ChoicesNamedInTheStripFitTheirFieldAndTheTooltipHasThemWhole)
{
    Photo("p.jpg", 64, 48);
    fMain& w = Open();
    CreateOptionsMenu& menu = w.CreateOptions();
    menu.Action(LogoQuality::Best)->trigger();
    menu.Action(LogoFit::Crop)->trigger();
    menu.Action(LogoAnimationChoice::Band)->trigger();
    menu.Action(BorderChoice::Colour)->trigger();
    Select("p.jpg");
    Click("cmdCreate");

    ucInfo& info = w.Info();
    const Rect32& room = info.Layout().texts[ucInfo::ZoomField];
    const QString shown = info.TextZoom();
    EXPECT_LE(QFontMetrics(info.font()).horizontalAdvance(shown), room.Width()) << shown.toStdString();
    // Whole short words, the first ones.
    const QString brief = QStringLiteral("best, crop, band, black");
    EXPECT_TRUE(shown == brief || (shown.endsWith(QChar(0x2026)) && brief.startsWith(shown.chopped(1))))
        << shown.toStdString();

    const QPoint at((room.left + room.right) / 2, 10);
    QHelpEvent hover(QEvent::ToolTip, at, info.mapToGlobal(at));
    QApplication::sendEvent(&info, &hover);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("best, crop, band, black border"));
}

} // namespace
} // namespace quillmere
