// The drive, folder and file lists: what they list, in which order, and how
// they follow the folder when it is set from outside, refreshed or gone.
#include "widgets/BrowserListing.h"
#include "widgets/FileBrowser.h"

#include <QComboBox>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <fstream>

namespace quillmere {
namespace {

namespace fs = std::filesystem;

struct PatternCase {
    const char* name;
    bool matches;
    friend void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.name; }
};

// A test name from a file name: its letters and digits.
std::string CaseName(const ::testing::TestParamInfo<PatternCase>& info)
{
    std::string out;
    for (const char* p = info.param.name; *p; ++p)
        out += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return out;
}

class PatternTest : public ::testing::TestWithParam<PatternCase> {};

TEST_P(PatternTest, PictureNamesIgnoringCase)
{
    EXPECT_EQ(MatchesPattern(GetParam().name, kPicturePattern), GetParam().matches) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Names, PatternTest,
                         ::testing::Values(PatternCase{"a.bmp", true}, PatternCase{"A.BMP", true},
                                           PatternCase{"photo.JpEg", true}, PatternCase{"logo.Sys", true},
                                           PatternCase{"x.gif", true}, PatternCase{"x.jpg", true},
                                           PatternCase{"x.png", false}, PatternCase{"bmp", false},
                                           PatternCase{"x.bmp.txt", false}, PatternCase{"x.jpegx", false}),
                         CaseName);

class FolderFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() /
               ("quillmere-browser-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "Pictures" / "deep");
        fs::create_directories(root / "alpha");
        fs::create_directories(root / ".hidden");
        for (const char* name : {"b.JPG", "A.bmp", "c.gif", "a.bmp", "notes.txt", ".secret.bmp", "Z.sys"})
            std::ofstream(root / name) << "x";
        fs::create_directories(root / "folder.bmp"); // a folder is no file, whatever its name
        fs::create_symlink(root / "A.bmp", root / "link.bmp");
        fs::create_symlink(root / "nowhere", root / "dangling.bmp");
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
};

TEST_F(FolderFixture, ListsMatchingFilesInOneOrder)
{
    std::vector<std::string> names;
    ASSERT_TRUE(ListFiles(root, kPicturePattern, names));
    // Case ignored, then the bytes decide between "A.bmp" and "a.bmp".
    EXPECT_EQ(names, (std::vector<std::string>{"A.bmp", "a.bmp", "b.JPG", "c.gif", "link.bmp", "Z.sys"}));

    std::vector<std::string> folders;
    ASSERT_TRUE(ListSubfolders(root, folders));
    EXPECT_EQ(folders, (std::vector<std::string>{"alpha", "folder.bmp", "Pictures"}));
    EXPECT_FALSE(ListFiles(root / "missing", kPicturePattern, names));
}

TEST_F(FolderFixture, NearestReadableFolderClimbsOutOfWhatIsGone)
{
    EXPECT_EQ(NearestReadableFolder(root / "Pictures" / "deep" / "gone" / "further"), root / "Pictures" / "deep");
    EXPECT_EQ(NearestReadableFolder(root / "Pictures" / "./deep/../"), root / "Pictures");
    EXPECT_EQ(NearestReadableFolder(root / "c.gif"), root); // a file is no folder
    EXPECT_EQ(PathDown("/a/b"), (std::vector<fs::path>{"/", "/a", "/a/b"}));
}

// The component with its three lists on a window.
class BrowserTest : public FolderFixture {
protected:
    void SetUp() override
    {
        FolderFixture::SetUp();
        browser = new FileBrowser(&host, {{QStringLiteral("c:"), root / "alpha"}, {QStringLiteral("/"), "/"}},
                                  std::string(kPicturePattern));
    }

    QStringList Items(QListWidget* list) const
    {
        QStringList texts;
        for (int i = 0; i < list->count(); ++i)
            texts << list->item(i)->text().trimmed();
        return texts;
    }

    QWidget host;
    FileBrowser* browser = nullptr;
};

TEST_F(BrowserTest, PathFillsTheFolderAndFileLists)
{
    QSignalSpy dirChanges(browser, &FileBrowser::DirChange);
    browser->Path(root);
    EXPECT_EQ(dirChanges.count(), 1);
    EXPECT_EQ(browser->Path(), root);
    EXPECT_EQ(Items(browser->File()),
              (QStringList{"A.bmp", "a.bmp", "b.JPG", "c.gif", "link.bmp", "Z.sys"}));
    // The folders down to this one, then its subfolders.
    const QStringList dirs = Items(browser->Dir());
    const auto down = PathDown(root);
    ASSERT_EQ(dirs.size(), static_cast<qsizetype>(down.size() + 3));
    EXPECT_EQ(dirs.first(), "/");
    EXPECT_EQ(dirs.mid(static_cast<qsizetype>(down.size())), (QStringList{"alpha", "folder.bmp", "Pictures"}));
    EXPECT_EQ(browser->Drive()->currentText(), "/");
    EXPECT_EQ(browser->ListIndex(), -1);
    EXPECT_EQ(browser->SelectedPath(), fs::path());

    browser->Path(root / "alpha");
    EXPECT_EQ(browser->Drive()->currentText(), "c:"); // the drive whose root is nearest
}

TEST_F(BrowserTest, SettingTheIndexCountsAsAClick)
{
    browser->Path(root);
    QSignalSpy clicks(browser, &FileBrowser::FileClick);
    browser->ListIndex(2);
    browser->ListIndex(2); // the same file again loads it again
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(browser->SelectedPath(), root / "b.JPG");
    browser->ListIndex(99);
    EXPECT_EQ(browser->ListIndex(), -1);
    EXPECT_EQ(clicks.count(), 2);
}

// Focus alone chooses nothing: the list marks its first row current when it
// gets the focus, and a click below the last file hits none; a click on a row
// or an arrow key chooses.
TEST_F(BrowserTest, OnlyAClickOrAnArrowChoosesAFile)
{
    host.resize(300, 400);
    browser->File()->setGeometry(0, 0, 300, 400);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    browser->Path(root);
    QSignalSpy clicks(browser, &FileBrowser::FileClick);
    QListWidget* list = browser->File();
    list->setFocus(Qt::TabFocusReason);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 390));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(browser->ListIndex(), -1);
    EXPECT_EQ(browser->SelectedPath(), fs::path());

    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(browser->ListIndex(), list->currentRow());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(browser->SelectedPath(), root / "b.JPG");
}

TEST_F(BrowserTest, DoubleClickOpensAFolder)
{
    host.resize(300, 400);
    browser->Dir()->setGeometry(0, 0, 300, 400);
    host.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));
    browser->Path(root);
    QListWidget* dir = browser->Dir();
    const QList<QListWidgetItem*> found = dir->findItems(QStringLiteral("Pictures"), Qt::MatchEndsWith);
    ASSERT_EQ(found.size(), 1);
    const QPoint at = dir->visualItemRect(found.first()).center();
    QTest::mouseClick(dir->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(browser->Path(), root); // one click only selects
    QTest::mouseDClick(dir->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(browser->Path(), root / "Pictures");
    EXPECT_EQ(browser->ListCount(), 0);
}

TEST_F(BrowserTest, ChoosingADriveOpensItsRoot)
{
    browser->Path(root);
    QSignalSpy driveChanges(browser, &FileBrowser::DriveChange);
    browser->Drive()->setCurrentIndex(0);
    emit browser->Drive()->activated(0); // as a user's choice
    EXPECT_EQ(driveChanges.count(), 1);
    EXPECT_EQ(browser->Path(), root / "alpha");
}

TEST_F(BrowserTest, RefreshShowsNewFilesAndLeavesAVanishedFolder)
{
    browser->Path(root / "Pictures" / "deep");
    EXPECT_EQ(browser->ListCount(), 0);
    std::ofstream(root / "Pictures" / "deep" / "new.bmp") << "x";
    browser->Refresh();
    EXPECT_EQ(Items(browser->File()), QStringList{"new.bmp"});

    fs::remove_all(root / "Pictures");
    browser->Refresh();
    EXPECT_EQ(browser->Path(), root);
    EXPECT_EQ(browser->ListCount(), 6);
}

TEST(SystemDrivesTest, DriveCFirstAndEachRootOnce)
{
    const auto drives = SystemDrives("/");
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives.front().name, "c:");
    for (std::size_t i = 1; i < drives.size(); ++i)
        EXPECT_NE(drives[i].root, fs::path("/")) << "the root is listed twice";
}

} // namespace
} // namespace quillmere
