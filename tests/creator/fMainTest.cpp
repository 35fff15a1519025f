// The Logo Creator window offscreen: real picture files in a scratch folder,
// settings in memory, the save dialog and message boxes answered by doubles.
#include "creator/fMain.h"

#include "app/platform/SettingsStore.h"
#include "creator/CreateOptionsMenu.h"
#include "creator/SizeIt.h"
#include "imaging/cDIBSave.h"
#include "manager/LogoFormat.h"
#include "support/PictureFixtures.h"
#include "support/PlatformDoubles.h"
#include "support/RunProgram.h"
#include "support/SurfaceHelpers.h"
#include "widgets/FileBrowser.h"
#include "widgets/ucCanvas.h"
#include "widgets/ucInfo.h"
#include "widgets/ucProgress.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sys/stat.h>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::ReadBytes;
using testing::WriteBytes;

QString Text(const fs::path& p) { return QString::fromStdString(p.string()); }

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
    std::size_t SnapshotCount() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(snaps), fs::directory_iterator()));
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
    EXPECT_EQ(dialog.requests[0].folder, "");
    ASSERT_TRUE(fs::exists(logo));
    EXPECT_EQ(fs::file_size(logo), 129078u);
    EXPECT_TRUE(IsValidLogo(logo));
    EXPECT_EQ(w.Info().TextFile(), "Saved - " + Text(logo));
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
    EXPECT_EQ(OptionsTag(again.CreateOptions().Options()), QStringLiteral("best, pad"));
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
    EXPECT_TRUE(w.Info().TextFile().startsWith("Cannot open " + Text(pictures / "broken.jpg") + ": "))
        << w.Info().TextFile().toStdString();
    EXPECT_GT(w.Info().TextFile().size(), ("Cannot open " + Text(pictures / "broken.jpg") + ": ").size());
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
    fMain& w = Open();
    Select("p.jpg");
    Click("cmdCreate");
    const QString status = w.Info().TextFile();

    for (const fs::path& target : {root / "missing" / "x.bmp", readOnly}) {
        messages.shown.clear();
        dialog.answers.push_back(Text(target));
        Click("cmdSave");
        ASSERT_EQ(messages.shown.size(), 1u) << target;
        const QString& text = messages.shown[0].text;
        EXPECT_TRUE(text.startsWith("Cannot save " + Text(target) + ": ")) << text.toStdString();
        EXPECT_GT(text.size(), ("Cannot save " + Text(target) + ": ").size());
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

TEST_F(CreatorWindowTest, CloseButtonClearsSnapshotsAndKeepsTheFolder)
{
    fs::create_directories(pictures / "sub");
    Photo("p.jpg", 20, 20);
    fMain& w = Open();
    Select("p.jpg");
    ASSERT_EQ(SnapshotCount(), 1u);

    // Closing the window another way leaves both alone.
    w.close();
    EXPECT_EQ(SnapshotCount(), 1u);
    w.show();
    w.Browser().Path(pictures / "sub");
    Click("cmdClose");
    EXPECT_EQ(SnapshotCount(), 0u);
    EXPECT_EQ(settings.Read(QStringLiteral("CPath")), Text(pictures / "sub"));
    EXPECT_FALSE(w.isVisible());
}

TEST_F(CreatorWindowTest, StartsOnTheNearestFolderOfCPath)
{
    settings.Write(QStringLiteral("CPath"), Text(pictures / "gone" / "deeper"));
    fMain& w = Open();
    EXPECT_EQ(w.Browser().Path(), pictures);
}

// Every control by name: caption, place after the layout, tab order.
TEST_F(CreatorWindowTest, LayoutCaptionsAndTabOrder)
{
    fMain& w = Open();
    EXPECT_EQ(w.windowTitle(), "Logo Creator");
    EXPECT_EQ(w.size(), QSize(556, 554));
    const auto geometry = [&w](const char* name) {
        const QWidget* c = w.findChild<QWidget*>(QString::fromUtf8(name));
        return c ? c->geometry() : QRect();
    };
    EXPECT_EQ(geometry("Label2"), QRect(8, 15, 153, 13));
    EXPECT_EQ(geometry("Drive1"), QRect(8, 32, 153, 21));
    EXPECT_EQ(geometry("Dir1"), QRect(8, 56, 153, 156));
    EXPECT_EQ(geometry("Label1"), QRect(8, 216, 153, 13));
    EXPECT_EQ(geometry("File1"), QRect(8, 232, 153, 304));
    EXPECT_EQ(geometry("lblActual"), QRect(255, 15, 129, 13));
    EXPECT_EQ(geometry("Canvas"), QRect(169, 32, 383, 464));
    EXPECT_EQ(geometry("cmdCreate"), QRect(153, 504, 113, 25));
    EXPECT_EQ(geometry("cmdSave"), QRect(293, 504, 113, 25));
    EXPECT_EQ(geometry("cmdClose"), QRect(433, 504, 113, 25));
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
    EXPECT_EQ(geometry("cmdClose"), QRect(533, 604, 113, 25));
    EXPECT_EQ(geometry("File1"), QRect(8, 232, 153, 404));
    EXPECT_TRUE(centred());

    const std::map<QString, QString> captions = {{"Label2", "Select Directory"},
                                                 {"Label1", "Select a File"},
                                                 {"lblActual", "Preview Shown Actual Size"},
                                                 {"cmdCreate", "&Create Logo"},
                                                 {"cmdSave", "&Save Logo"},
                                                 {"cmdClose", "Cl&ose"}};
    const QFontMetrics metrics(w.font());
    for (const auto& [name, caption] : captions) {
        const QWidget* c = w.findChild<QWidget*>(name);
        ASSERT_NE(c, nullptr) << name.toStdString();
        const auto* label = qobject_cast<const QLabel*>(c);
        const auto* button = qobject_cast<const QPushButton*>(c);
        EXPECT_EQ(label ? label->text() : button->text(), caption);
        QString shown = caption;
        shown.remove(u'&');
        EXPECT_LE(metrics.horizontalAdvance(shown), c->width()) << name.toStdString();
    }

    const QStringList order = {"Drive1", "Dir1", "cmdSave", "cmdClose", "cmdCreate", "File1"};
    QStringList seen;
    QWidget* at = w.findChild<QWidget*>(QStringLiteral("Drive1"));
    for (int guard = 0; at && guard < 200 && seen.size() < order.size(); ++guard, at = at->nextInFocusChain())
        if (order.contains(at->objectName()) && !seen.contains(at->objectName()))
            seen << at->objectName();
    EXPECT_EQ(seen, order);

    if (const QByteArray out = qgetenv("QUILLMERE_SAVE_GRABS"); !out.isEmpty()) {
        w.resize(556, 554);
        w.grab().save(QString::fromUtf8(out) + QStringLiteral("/creator.png"));
    }
}

} // namespace
} // namespace quillmere
