// The Boot Preview window offscreen: logos made on the spot in a scratch
// folder, the picture read back from grabs and compared with the core's.
#include "preview/window/BootPreviewWindow.h"

#include "preview/window/BootPreviewView.h"
#include "preview/RowPattern.h"
#include "support/PictureFixtures.h"
#include "widgets/WidgetHelpers.h"

#include "support/PreviewFixtures.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Grab;
using testing::Rgb;

// Screen pixels of StandardLogo: (2 x, y) shows index (x + y) % 256 for y < 5.
constexpr int kBelowFirstX = 20;  // index 10
constexpr int kAnimatedX = 472;   // index 236
constexpr int kLastX = 2 * 255;   // index 255

std::vector<BootPreviewWindow*> OpenPreviews()
{
    std::vector<BootPreviewWindow*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<BootPreviewWindow*>(w))
            open.push_back(p);
    return open;
}

class BootPreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = fs::temp_directory_path() / ("quillmere-previewwin-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override
    {
        window.reset();
        for (BootPreviewWindow* w : OpenPreviews())
            delete w;
        fs::remove_all(root);
    }

    fs::path Logo(const char* name, std::uint32_t clrImportant)
    {
        const fs::path file = root / name;
        testing::WriteBytes(file, testing::StandardLogo(clrImportant));
        return file;
    }

    // A shown window with the logo, its timer stopped so the test drives the frames.
    BootPreviewWindow& Show(const fs::path& file, QSize size = {640, 480})
    {
        window = std::make_unique<BootPreviewWindow>();
        window->resize(size);
        window->ShowFile(file);
        window->SetAnimating(false);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    // The colour the core gives screen pixel (x, y) in frame.
    static std::uint32_t CoreColour(const BootScreen& s, std::int64_t frame, int x, int y)
    {
        return s.PaletteOf(frame)[s.Indices()[static_cast<std::size_t>(y) * kBootScreenWidth + x]];
    }

    fs::path root;
    std::unique_ptr<BootPreviewWindow> window;
};

TEST_F(BootPreviewWindowTest, ShowsTheCoresScreenPixelForPixel)
{
    BootPreviewWindow& w = Show(Logo("logo.sys", 236));
    ASSERT_TRUE(w.HasPicture()) << w.ErrorText().toStdString();
    const BootScreen reference = BootScreen::Load(root / "logo.sys");
    const QImage shot = Grab(w);
    ASSERT_EQ(shot.size(), QSize(640, 480));
    int wrong = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            wrong += Rgb(shot, x, y) != CoreColour(reference, 0, x, y);
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Rgb(shot, kAnimatedX, 0), testing::EntryColour(236));
}

// Window sizes and the whole number of screens they show.
struct ScaleCase {
    const char* name;
    int width, height;
    int scale;
};
constexpr ScaleCase kScaleCases[] = {
    {"Exact", 640, 480, 1},
    {"AlmostDouble", 1279, 959, 1},
    {"Double", 1280, 960, 2},
    {"WideLimitedByHeight", 2100, 1000, 2},
    {"TallLimitedByWidth", 700, 1500, 1},
    {"Smaller", 600, 400, 1}, // the middle of the screen
};

void PrintTo(const ScaleCase& c, std::ostream* os) { *os << c.name; }

class BootPreviewScaleTest : public BootPreviewWindowTest, public ::testing::WithParamInterface<ScaleCase> {};

TEST_P(BootPreviewScaleTest, WholeStepsCentredOnTheBorderColour)
{
    const ScaleCase& c = GetParam();
    BootPreviewWindow& w = Show(Logo("logo.sys", 236), {c.width, c.height});
    ASSERT_EQ(w.size(), QSize(c.width, c.height));
    EXPECT_EQ(w.Scale(), c.scale);
    const int k = c.scale;
    const QRect r = w.PictureRect();
    EXPECT_EQ(r.size(), QSize(640 * k, 480 * k));
    // Centred: the margins differ by at most one pixel.
    EXPECT_LE(std::abs(r.left() - (c.width - r.right() - 1)), 1);
    EXPECT_LE(std::abs(r.top() - (c.height - r.bottom() - 1)), 1);

    const BootScreen reference = BootScreen::Load(root / "logo.sys");
    const QImage shot = Grab(w);
    // Each screen pixel is a k x k block: its first and last pixel.
    for (const QPoint p : {QPoint(kAnimatedX, 0), QPoint(kBelowFirstX, 3), QPoint(321, 240), QPoint(639, 479)})
        for (const QPoint d : {QPoint(0, 0), QPoint(k - 1, k - 1)}) {
            const QPoint at = r.topLeft() + p * k + d;
            if (!shot.rect().contains(at))
                continue;
            EXPECT_EQ(Rgb(shot, at.x(), at.y()), CoreColour(reference, 0, p.x(), p.y()))
                << "screen pixel " << p.x() << "," << p.y() << " at " << at.x() << "," << at.y();
        }
    // A part exposed on its own paints as the same part of the whole.
    const QRect part(std::max(r.left(), 0) + 3, std::max(r.top(), 0) + 5, 101, 37);
    const QImage partShot = w.grab(part).toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_TRUE(partShot == shot.copy(part));
    // Outside the picture the border shows entry 0.
    const std::uint32_t border = testing::EntryColour(0);
    if (r.left() > 0) {
        EXPECT_EQ(Rgb(shot, r.left() - 1, c.height / 2), border);
    }
    if (r.right() < c.width - 1) {
        EXPECT_EQ(Rgb(shot, r.right() + 1, c.height / 2), border);
    }
    if (r.top() > 0) {
        EXPECT_EQ(Rgb(shot, c.width / 2, r.top() - 1), border);
    }
    if (r.bottom() < c.height - 1) {
        EXPECT_EQ(Rgb(shot, c.width / 2, r.bottom() + 1), border);
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BootPreviewScaleTest, ::testing::ValuesIn(kScaleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BootPreviewWindowTest, AStepChangesOnlyTheColourTable)
{
    BootPreviewWindow& w = Show(Logo("logo.sys", 236), {1280, 960});
    const BootScreen* screen = w.Screen();
    ASSERT_NE(screen, nullptr);
    const QRect r = w.PictureRect();
    const auto at = [&](const QImage& shot, int x) { return Rgb(shot, r.left() + 2 * x, r.top()); };
    QSignalSpy shown(&w, &BootPreviewWindow::FrameShown);
    for (int frame = 1; frame <= 20; ++frame) {
        w.Step();
        ASSERT_EQ(w.FrameNumber(), frame % 20);
        // The image still reads the screen's own indices: no pixels were copied.
        ASSERT_EQ(w.Frame().constBits(), screen->Indices().data());
        const QImage shot = Grab(w);
        EXPECT_EQ(at(shot, kAnimatedX), testing::EntryColour(236 + frame % 20)) << "frame " << frame;
        EXPECT_EQ(at(shot, kLastX), testing::EntryColour((255 - 236 + frame) % 20 + 236)) << "frame " << frame;
        EXPECT_EQ(at(shot, kBelowFirstX), testing::EntryColour(10)) << "frame " << frame;
        EXPECT_EQ(Rgb(shot, 0, 0), testing::EntryColour(0)) << "frame " << frame;
    }
    EXPECT_EQ(shown.count(), 20);

    // A step repaints the window on screen too.
    testing::PaintCounter painted(&w);
    w.Step();
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted.count > 0; }, 2000));
}

TEST_F(BootPreviewWindowTest, TheTimerStepsAnAnimatedLogoAndNotAStillOne)
{
    BootPreviewWindow& still = Show(Logo("still.sys", 0));
    still.SetAnimating(true);
    EXPECT_FALSE(still.Animating());

    BootPreviewWindow& w = Show(Logo("logo.sys", 236));
    w.SetAnimating(true);
    ASSERT_TRUE(w.Animating());
    QSignalSpy shown(&w, &BootPreviewWindow::FrameShown);
    ASSERT_TRUE(shown.wait(2000));
    EXPECT_GT(shown.takeFirst().at(0).toInt(), 0);
}

// Keys and double clicks, in order, and the full-screen state after each.
enum class Input { F11, Escape, DoubleClick };
struct FullScreenCase {
    const char* name;
    std::vector<std::pair<Input, bool>> steps;
};

void PrintTo(const FullScreenCase& c, std::ostream* os) { *os << c.name; }

class BootPreviewFullScreenTest : public BootPreviewWindowTest,
                                  public ::testing::WithParamInterface<FullScreenCase> {};

TEST_P(BootPreviewFullScreenTest, Toggles)
{
    BootPreviewWindow& w = Show(Logo("logo.sys", 236));
    for (const auto& [input, fullScreen] : GetParam().steps) {
        switch (input) {
        case Input::F11: QTest::keyClick(&w, Qt::Key_F11); break;
        case Input::Escape: QTest::keyClick(&w, Qt::Key_Escape); break;
        case Input::DoubleClick: QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(100, 100)); break;
        }
        EXPECT_EQ(w.isFullScreen(), fullScreen);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BootPreviewFullScreenTest,
    ::testing::Values(
        FullScreenCase{"F11TwiceGoesAndReturns", {{Input::F11, true}, {Input::F11, false}}},
        FullScreenCase{"DoubleClickTwiceGoesAndReturns", {{Input::DoubleClick, true}, {Input::DoubleClick, false}}},
        FullScreenCase{"EscapeLeaves", {{Input::F11, true}, {Input::Escape, false}}},
        FullScreenCase{"EscapeInAWindowChangesNothing", {{Input::Escape, false}, {Input::DoubleClick, true}}}),
    [](const auto& info) { return std::string(info.param.name); });

// What the title says for each kind of file.
struct TitleCase {
    const char* name;
    std::uint32_t clrImportant;
    bool trueColour;
    const char* title;
};
constexpr TitleCase kTitleCases[] = {
    {"Usual", 236, false, "Boot Preview - logo.sys - entries 236 to 255 rotate, 18 steps a second"},
    {"FromEntry1", 1, false, "Boot Preview - logo.sys - entries 1 to 255 rotate, 18 steps a second"},
    {"OnlyTheLast", 255, false, "Boot Preview - logo.sys - entry 255 rotates, 18 steps a second"},
    {"Zero", 0, false, "Boot Preview - logo.sys - still"},
    {"TooLarge", 256, false, "Boot Preview - logo.sys - still"},
    {"TrueColour", 236, true, "Boot Preview - logo.sys - still"}, // only 8-bit files rotate
};

void PrintTo(const TitleCase& c, std::ostream* os) { *os << c.name; }

class BootPreviewTitleTest : public BootPreviewWindowTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(BootPreviewTitleTest, NamesTheFileAndTheRotation)
{
    const TitleCase& c = GetParam();
    const fs::path file = root / "logo.sys";
    if (c.trueColour) {
        testing::Bytes file24 = testing::BmpFile(2, 2, 24, {}, testing::Bytes(16, 0x80));
        testing::PutU32(file24, 50, c.clrImportant);
        testing::WriteBytes(file, file24);
    } else {
        testing::WriteBytes(file, testing::StandardLogo(c.clrImportant));
    }
    BootPreviewWindow& w = Show(file);
    ASSERT_TRUE(w.HasPicture()) << w.ErrorText().toStdString();
    EXPECT_EQ(w.windowTitle().toStdString(), c.title);
}

INSTANTIATE_TEST_SUITE_P(Files, BootPreviewTitleTest, ::testing::ValuesIn(kTitleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BootPreviewTextTest, RateInTheTitle)
{
    EXPECT_EQ(AnimationText(236, 1), "entries 236 to 255 rotate, 1 step a second");
    EXPECT_EQ(AnimationText(236, 50), "entries 236 to 255 rotate, 50 steps a second");
}

// Files that cannot be shown: the window says why and keeps no picture.
struct BadFileCase {
    const char* name;
    std::size_t keep; // bytes of a good logo to write; SIZE_MAX: no file at all
};
constexpr BadFileCase kBadFiles[] = {
    {"Missing", SIZE_MAX},
    {"Empty", 0},
    {"TruncatedHeader", 30},
    {"TruncatedPixels", 54 + 1024 + 1000},
};

void PrintTo(const BadFileCase& c, std::ostream* os) { *os << c.name; }

class BootPreviewBadFileTest : public BootPreviewWindowTest, public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(BootPreviewBadFileTest, SaysWhyAndShowsNoPicture)
{
    const fs::path file = root / "bad.sys";
    if (GetParam().keep != SIZE_MAX) {
        testing::Bytes bytes = testing::StandardLogo(236);
        bytes.resize(GetParam().keep);
        testing::WriteBytes(file, bytes);
    }
    // A window that showed a good logo first drops it.
    BootPreviewWindow& w = Show(Logo("good.sys", 236));
    ASSERT_TRUE(w.HasPicture());
    w.ShowFile(file);
    EXPECT_FALSE(w.HasPicture());
    EXPECT_FALSE(w.Animating());
    EXPECT_TRUE(w.Frame().isNull());
    EXPECT_EQ(w.File(), file);
    EXPECT_TRUE(w.ErrorText().startsWith(QStringLiteral("Cannot open ") + QString::fromStdString(file.string()) + ": "))
        << w.ErrorText().toStdString();
    EXPECT_EQ(w.windowTitle(), "Boot Preview - bad.sys - cannot be read");
    const QImage shot = Grab(w);
    EXPECT_EQ(Rgb(shot, 0, 0), 0u);
    w.Step(); // nothing to step
    EXPECT_FALSE(w.HasPicture());
}

INSTANTIATE_TEST_SUITE_P(Files, BootPreviewBadFileTest, ::testing::ValuesIn(kBadFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BootPreviewWindowTest, ShowBootPreviewRaisesTheWindowOfTheSameFileAndNeverWritesIt)
{
    const fs::path logo = Logo("logo.sys", 236);
    const fs::path other = Logo("other.sys", 0);
    const testing::Bytes before = testing::ReadBytes(logo);
    const auto stamp = fs::last_write_time(logo);
    QWidget parent;

    ShowBootPreview(&parent, logo);
    ASSERT_EQ(OpenPreviews().size(), 1u);
    BootPreviewWindow* first = OpenPreviews()[0];
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(first->isWindow());
    EXPECT_TRUE(first->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(first->windowTitle(), "Boot Preview - logo.sys - entries 236 to 255 rotate, 18 steps a second");

    // The same file named another way: the same window, the file read again.
    testing::WriteBytes(logo, testing::StandardLogo(0));
    ShowBootPreview(nullptr, root / "." / "logo.sys");
    ASSERT_EQ(OpenPreviews().size(), 1u);
    EXPECT_EQ(first->windowTitle(), "Boot Preview - logo.sys - still");
    testing::WriteBytes(logo, before);
    fs::last_write_time(logo, stamp);

    ShowBootPreview(&parent, other);
    EXPECT_EQ(OpenPreviews().size(), 2u);
    ShowBootPreview(&parent, root / "missing.sys");
    EXPECT_EQ(OpenPreviews().size(), 3u);

    // A few frames later the file is as it was.
    first->SetAnimating(false);
    first->Step();
    first->Step();
    EXPECT_EQ(testing::ReadBytes(logo), before);
    EXPECT_EQ(fs::last_write_time(logo), stamp);

    // Closing deletes the window.
    QPointer<BootPreviewWindow> closed = first;
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(closed.isNull());
}

TEST(PreviewScaleTest, WholeScreensThatFit)
{
    EXPECT_EQ(PreviewScale(0, 0), 1);
    EXPECT_EQ(PreviewScale(1920, 1080), 2);
    EXPECT_EQ(PreviewScale(3840, 2160), 4);
    EXPECT_EQ(PreviewScale(2560, 1440), 3);
}

} // namespace
} // namespace quillmere
