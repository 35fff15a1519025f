// The Logo Creator's ways into the Boot Preview, offscreen: the canvas's
// context menu and Ctrl+P open the preview of the picture in memory.
#include "creator/window/fMain.h"

#include "creator/window/CreateOptionsMenu.h"
#include "creator/window/CreatorPreview.h"
#include "desktop/SettingsStore.h"
#include "preview/window/BootPreviewWindow.h"
#include "support/PictureFixtures.h"
#include "support/PlatformDoubles.h"
#include "widgets/FileBrowser.h"
#include "widgets/ucCanvas.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

const QString kShow = QStringLiteral("Show as at start-up...");

class CreatorPreviewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("quillmere-creatorpreview-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "snaps");
        settings.Write(QStringLiteral("CPath"), QString::fromStdString(root.string()));
        testing::JpegSpec spec;
        spec.width = 640;
        spec.height = 480;
        spec.quality = 90;
        testing::WriteBytes(root / "photo.jpg", testing::EncodeJpeg(spec));

        window = std::make_unique<fMain>(CreatorPlatform{settings, dialog, messages, {}, root / "snaps"});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override
    {
        window.reset(); // its preview windows go with it
        fs::remove_all(root);
    }

    void Load()
    {
        window->Browser().Refresh();
        const auto found = window->Browser().File()->findItems(QStringLiteral("photo.jpg"), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        window->Browser().ListIndex(window->Browser().File()->row(found.first()));
    }
    void Create() { QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdCreate")), Qt::LeftButton); }

    // The preview windows the creator opened.
    std::vector<BootPreviewWindow*> Previews() const
    {
        std::vector<BootPreviewWindow*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<BootPreviewWindow*>(w); p && p->parentWidget() == window.get())
                found.push_back(p);
        return found;
    }

    // The right button on the canvas: the menu it opened with "Show as at start-up...", or null.
    QMenu* ContextMenu()
    {
        ucCanvas& canvas = window->Canvas();
        const QPoint pos(canvas.width() / 2, canvas.height() / 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, canvas.mapToGlobal(pos));
        QCoreApplication::sendEvent(&canvas, &event);
        for (QMenu* menu : canvas.findChildren<QMenu*>())
            for (QAction* a : menu->actions())
                if (menu->isVisible() && a->text() == kShow)
                    return menu;
        return nullptr;
    }

    fs::path root;
    MemorySettingsStore settings;
    testing::FakeSaveDialog dialog;
    testing::FakeMessageBoxes messages;
    std::unique_ptr<fMain> window;
};

TEST_F(CreatorPreviewTest, CtrlPShowsTheCreatedLogoAsItWouldBeSaved)
{
    Load();
    Create();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(Previews().size(), 1u);
    BootPreviewWindow& preview = *Previews()[0];
    ASSERT_TRUE(preview.HasPicture()) << preview.ErrorText().toStdString();
    EXPECT_TRUE(preview.isVisible());
    // The writer sets biClrImportant to 0: a created logo is still.
    EXPECT_EQ(preview.windowTitle(), "Boot Preview - Logo Creator - still");
    EXPECT_FALSE(preview.Animating());

    // The same picture and colours as the saved file shows.
    const fs::path saved = root / "logo.bmp";
    dialog.answers.push_back(QString::fromStdString(saved.string()));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdSave")), Qt::LeftButton);
    ASSERT_TRUE(fs::exists(saved));
    const BootScreen fromFile = BootScreen::Load(saved);
    EXPECT_TRUE(preview.Screen()->Indices() == fromFile.Indices());
    EXPECT_TRUE(preview.Screen()->BasePalette() == fromFile.BasePalette());

    // Again: the same window shows the picture anew.
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(Previews().size(), 1u);
}

// A band chosen moves in the preview before anything is saved, as it does in
// the file saved: the bottom 16 rows run through all of entries 236 to 255,
// the rows above use none of them.
TEST_F(CreatorPreviewTest, ABandMovesBeforeTheLogoIsSaved)
{
    window->CreateOptions().Action(LogoAnimationChoice::Band)->trigger();
    Load();
    Create();
    window->findChild<CreatorPreview*>()->ShowAction().trigger();
    ASSERT_EQ(Previews().size(), 1u);
    BootPreviewWindow& preview = *Previews()[0];
    ASSERT_TRUE(preview.HasPicture()) << preview.ErrorText().toStdString();
    EXPECT_EQ(preview.Screen()->FirstAnimated(), 236);
    EXPECT_TRUE(preview.Animating());

    const fs::path saved = root / "logo.bmp";
    dialog.answers.push_back(QString::fromStdString(saved.string()));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdSave")), Qt::LeftButton);
    const testing::Bytes bytes = testing::ReadBytes(saved);
    ASSERT_EQ(bytes.size(), 129078u);
    EXPECT_EQ(bytes[50], 236);
    constexpr std::size_t kPixels = 1078, kBand = 16 * 320; // rows bottom first
    std::set<std::uint8_t> band, above;
    for (std::size_t i = kPixels; i < bytes.size(); ++i)
        (i < kPixels + kBand ? band : above).insert(bytes[i]);
    EXPECT_EQ(band.size(), 20u);
    EXPECT_EQ(*band.begin(), 236);
    EXPECT_LT(*above.rbegin(), 236);
    EXPECT_TRUE(preview.Screen()->Indices() == BootScreen::Load(saved).Indices());
}

// When the canvas's right button offers the preview.
struct MenuCase {
    const char* name;
    bool load, create;
    std::int32_t mode;
    bool offered;
};
constexpr MenuCase kMenuCases[] = {
    {"AfterCreateLogo", true, true, ucCanvas::PanMode, true},
    {"LoadedPicture", true, false, ucCanvas::PanMode, true},
    {"CropMode", true, true, ucCanvas::CropMode, false}, // crop mode keeps its own menu
    {"NoPicture", false, false, ucCanvas::PanMode, false},
};

void PrintTo(const MenuCase& c, std::ostream* os) { *os << c.name; }

class CreatorPreviewMenuTest : public CreatorPreviewTest, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(CreatorPreviewMenuTest, OffersTheBootPreview)
{
    const MenuCase& c = GetParam();
    if (c.load)
        Load();
    if (c.create)
        Create();
    window->Canvas().WorkMode(c.mode);
    QMenu* menu = ContextMenu();
    ASSERT_EQ(menu != nullptr, c.offered);
    if (!menu)
        return;
    for (QAction* a : menu->actions())
        if (a->text() == kShow) {
            EXPECT_EQ(a->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
            a->trigger();
        }
    ASSERT_EQ(Previews().size(), 1u);
    EXPECT_TRUE(Previews()[0]->HasPicture()) << Previews()[0]->ErrorText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Canvas, CreatorPreviewMenuTest, ::testing::ValuesIn(kMenuCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CreatorPreviewTest, CtrlPWithoutAPictureOpensNothing)
{
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    EXPECT_TRUE(Previews().empty());
}

} // namespace
} // namespace quillmere
