// One whole user path through the real program on an X server of its own
// (run-under-xvfb.sh gives this process DISPLAY and the xcb platform): a photo
// becomes a logo in the Logo Creator, the Logo Manager installs it, saves it
// in logo set 1 and restores the originals, the About window opens and closes,
// and closing the Logo Manager ends the program. The files on the temporary
// drive C: are checked at the end, and each window is kept as the X server
// drew it (screenshots/).
//
// Why inside the process rather than xdotool against build/quillmere: the
// program is started through Run(), exactly as main() starts it, with the real
// settings store, save dialog and message boxes; every wait is on the state of
// a widget, not on time or on polling another process; and failures name the
// control. Input enters through QTest's QWindow calls, the same door
// (QWindowSystemInterface) the xcb plugin feeds the server's events through,
// so hit-testing, modality and focus are Qt's own; only the server's choice of
// the window under the pointer is left out, so a window is raised before use.
#include "app/WindowProgram.h"
#include "desktop/SettingsStore.h"
#include "support/PictureFixtures.h"
#include "support/TempDir.h"
#include "widgets/ucInfo.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

// Failures show texts as text.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;

// Generous: the sanitizer build is many times slower than the optimised one.
constexpr int kWaitMs = 60000;

QString Text(const fs::path& p) { return QFile::decodeName(QByteArray::fromStdString(p.native())); }

// A standard 129078-byte logo, the left half in one colour and the right half
// in another, so the boxes that show it can be told apart on a screenshot.
Bytes Logo(std::uint32_t left, std::uint32_t right)
{
    Bytes rows(320 * 400, 0);
    for (std::size_t y = 0; y < 400; ++y)
        std::fill_n(rows.begin() + static_cast<std::ptrdiff_t>(y * 320 + 160), 160, 1);
    std::vector<std::uint32_t> colours(256, 0);
    colours[0] = left;
    colours[1] = right;
    return testing::BmpFile(320, 400, 8, colours, rows);
}

// A 640 x 480 photo: a colour ramp with a light disc in the middle.
Bytes Photo()
{
    testing::JpegSpec spec;
    spec.width = 640;
    spec.height = 480;
    spec.quality = 90;
    spec.sample = [](int x, int y, int c) {
        const int dx = x - 320, dy = y - 240;
        if (dx * dx + dy * dy < 120 * 120)
            return static_cast<std::uint8_t>(c == 2 ? 120 : 240);
        const int values[] = {x * 255 / 639, y * 255 / 479, 255 - x * 255 / 639};
        return static_cast<std::uint8_t>(values[c]);
    };
    return testing::EncodeJpeg(spec);
}

QWidget* TopLevel(const QString& title)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows)
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

template <class T = QWidget> T* Control(QWidget* window, const char* name)
{
    return window ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

bool Exposed(const QWidget* window)
{
    return window && window->isVisible() && window->windowHandle() && window->windowHandle()->isExposed();
}

// A left click at pos of w (its centre by default), sent to w's window.
void Click(QWidget* w, QPoint pos = {-1, -1})
{
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->isVisible() && w->isEnabled()) << w->objectName().toStdString();
    if (pos.x() < 0)
        pos = w->rect().center();
    QWidget* window = w->window();
    QTest::mouseClick(window->windowHandle(), Qt::LeftButton, Qt::NoModifier, w->mapTo(window, pos));
}

// A click on the file called name in a file list.
void ClickFile(QListWidget* list, const QString& name)
{
    ASSERT_NE(list, nullptr);
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString() << " is not listed once";
    const QRect item = list->visualItemRect(found.first());
    ASSERT_TRUE(list->viewport()->rect().contains(item.center())) << name.toStdString() << " is out of sight";
    Click(list->viewport(), item.center());
}

// Answers the dialogs that run their own event loop. It looks for the active
// modal window every few milliseconds, so it works from inside that loop; the
// answer the current step expects is given once, and any other dialog is a
// failure (told with its text) and is closed, so the path cannot hang on it.
class ModalAnswerer : public QObject {
public:
    using Answer = std::function<void(QDialog&)>;

    ModalAnswerer()
    {
        connect(&poll_, &QTimer::timeout, this, &ModalAnswerer::Poll);
        poll_.start(10);
    }

    // The next dialog gets answer; required: a step that ends without it fails.
    void Expect(std::string what, Answer answer, bool required = true)
    {
        what_ = std::move(what);
        answer_ = std::move(answer);
        required_ = required;
        answered_ = false;
    }
    // Ends the expectation of the step that just finished.
    void Done()
    {
        if (required_ && !answered_)
            ADD_FAILURE() << "no dialog came for: " << what_;
        answer_ = nullptr;
        required_ = false;
    }

private:
    void Poll()
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!Exposed(dialog) || dialog == last_)
            return;
        last_ = dialog;
        if (answer_ && !answered_) {
            answered_ = true;
            answer_(*dialog);
            return;
        }
        const auto* box = qobject_cast<QMessageBox*>(dialog);
        ADD_FAILURE() << "unexpected dialog \"" << dialog->windowTitle().toStdString() << "\": "
                      << (box ? box->text().toStdString() : std::string());
        dialog->reject();
    }

    QTimer poll_;
    QPointer<QDialog> last_;
    std::string what_;
    Answer answer_;
    bool required_ = false;
    bool answered_ = false;
};

class RealWindowTest : public ::testing::Test {
public: // the program's start-up hook reaches in
    void SetUp() override
    {
        home = temp.Path() / "home";
        drive = temp.Path() / "drive_c";
        pictures = temp.Path() / "pictures";
        for (const fs::path& p : {home, drive / "Windows", pictures})
            fs::create_directories(p);
        // Nothing the program keeps may reach the user's own settings or files.
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
            ::setenv(name, home.c_str(), 1);
        for (const char* name : {"tmp", "temp", "TMPDIR"})
            ::setenv(name, temp.Path().c_str(), 1);
        const fs::path runtime = temp.Path() / "runtime";
        fs::create_directory(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        testing::WriteBytes(drive / "logo.sys", startup);
        testing::WriteBytes(drive / "Windows" / "logow.sys", wait);
        testing::WriteBytes(drive / "Windows" / "logos.sys", safe);
        testing::WriteBytes(pictures / "photo.jpg", Photo());
        // Where an earlier session left the folders of both windows and its last logo.
        QtSettingsStore settings;
        settings.Write(QStringLiteral("CPath"), Text(pictures));
        settings.Write(QStringLiteral("Path"), Text(pictures));
        settings.Write(QStringLiteral("SavePath"), Text(pictures / "earlier.bmp"));
        // Nothing lands where the test was started, whatever a dialog falls back on.
        started = fs::current_path();
        fs::current_path(temp.Path());
        // Only this run's pictures.
        shots = QUILLMERE_SCREENSHOTS;
        std::error_code ignored;
        fs::remove_all(shots, ignored);
        fs::create_directories(shots);
    }
    void TearDown() override { fs::current_path(started); }

    // Keeps what the X server shows of window as name.png. The window is
    // raised first, as a click on it would; the server's picture is taken once
    // it equals what the window painted, so it is never half drawn or covered.
    void Screenshot(QWidget* window, const char* name)
    {
        ASSERT_TRUE(Exposed(window)) << name;
        window->raise();
        QImage onServer;
        const auto drawn = [&] {
            onServer = window->screen()->grabWindow(window->winId()).toImage().convertToFormat(QImage::Format_RGB32);
            return onServer == window->grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        const bool same = QTest::qWaitFor(drawn, kWaitMs);
        const fs::path file = shots / (std::string(name) + ".png");
        EXPECT_TRUE(onServer.save(Text(file))) << file;
        ASSERT_TRUE(same) << name << ": the X server does not show what the window painted";
    }

    void Walk();
    void Stop();

    TempDir temp;
    fs::path home, drive, pictures, shots, started;
    const Bytes startup = Logo(0x2040C0, 0xF0F0F0), wait = Logo(0x000000, 0x40A040), safe = Logo(0xC06000, 0x000000);
    std::unique_ptr<ModalAnswerer> answerer;
    std::unique_ptr<QObject> starter;
};

void RealWindowTest::Walk()
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run this under run-under-xvfb.sh";
    QWidget* manager = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Exposed(manager = TopLevel(QStringLiteral("Logo Manager"))); }, kWaitMs));

    // The keyboard path of a fresh window: Tab, Tab, Tab passes the file list
    // (focus there chooses no file) to Install This Logo, and Space on it says
    // no file is chosen and changes nothing on drive C:.
    manager->raise();
    manager->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == manager; }, kWaitMs));
    for (int tab = 0; tab < 3; ++tab)
        QTest::keyClick(manager->windowHandle(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Control(manager, "XDWButton5"));
    EXPECT_EQ(Control<QLabel>(manager, "Label4")->text(), QStringLiteral("Preview Window"));
    answerer->Expect("the message that no file is chosen", [](QDialog& dialog) {
        QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    });
    QTest::keyClick(manager->windowHandle(), Qt::Key_Space);
    answerer->Done();
    EXPECT_EQ(testing::ReadBytes(drive / "logo.sys"), startup);
    EXPECT_EQ(Control<QLabel>(manager, "Label4")->text(), QStringLiteral("Preview Window"));

    // The Logo Creator: the photo, "Create Logo", "Save Logo" with a name typed into the real dialog.
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "cmdCreate")));
    QWidget* creator = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Exposed(creator = TopLevel(QStringLiteral("Logo Creator"))); }, kWaitMs));
    auto* info = Control<ucInfo>(creator, "Info");
    auto* create = Control<QPushButton>(creator, "cmdCreate");
    auto* save = Control<QPushButton>(creator, "cmdSave");
    ASSERT_TRUE(info && create && save);
    ASSERT_NO_FATAL_FAILURE(ClickFile(Control<QListWidget>(creator, "File1"), QStringLiteral("photo.jpg")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return create->isEnabled(); }, kWaitMs));
    EXPECT_EQ(info->TextFile(), Text(pictures / "photo.jpg"));
    EXPECT_EQ(info->TextInfo(), QStringLiteral("640x480x24b"));
    ASSERT_NO_FATAL_FAILURE(Click(create));
    ASSERT_TRUE(QTest::qWaitFor([&] { return save->isEnabled(); }, kWaitMs));
    EXPECT_EQ(info->TextFile(), QStringLiteral("Processing Complete - Click \"Save Logo\""));
    EXPECT_EQ(info->TextInfo(), QStringLiteral("320x400x8b"));
    ASSERT_NO_FATAL_FAILURE(Screenshot(creator, "creator-after-create-logo"));

    answerer->Expect("the save dialog of \"Save Logo\"", [](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Save Logo As"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(name, nullptr) << "the dialog has no file name field";
        Click(name);
        for (const char c : std::string_view("mylogo"))
            QTest::keyClick(dialog.windowHandle(), c);
        EXPECT_EQ(name->text(), QStringLiteral("mylogo"));
        QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    });
    ASSERT_NO_FATAL_FAILURE(Click(save));
    answerer->Done();
    const fs::path saved = pictures / "mylogo.bmp";
    ASSERT_TRUE(QTest::qWaitFor([&] { return info->TextFile().startsWith(QStringLiteral("Saved - ")); }, kWaitMs))
        << info->TextFile().toStdString();
    // The path gives way in its middle where the field is too narrow for it.
    EXPECT_TRUE(info->TextFile().endsWith(QStringLiteral("/mylogo.bmp"))) << info->TextFile().toStdString();
    EXPECT_LE(QFontMetrics(info->font()).horizontalAdvance(info->TextFile()), info->TextFileWidth());
    EXPECT_EQ(info->TextZoom(), QStringLiteral("126.05 KB"));

    // The Logo Manager: the saved logo on the Startup page, installed.
    manager->raise();
    auto* verdict = Control<QLabel>(manager, "Label4");
    auto* absent = Control<QLabel>(manager, "Label13");
    ASSERT_TRUE(verdict && absent);
    ASSERT_NO_FATAL_FAILURE(ClickFile(Control<QListWidget>(manager, "File1"), QStringLiteral("mylogo.bmp")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return verdict->text() == QStringLiteral("Valid Format"); }, kWaitMs))
        << verdict->text().toStdString();
    EXPECT_FALSE(Control(manager, "cmdSend")->isEnabled());
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "XDWButton5")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return testing::ReadBytes(drive / "logo.sys") == testing::ReadBytes(saved); },
                                kWaitMs));
    EXPECT_FALSE(absent->isVisible());
    EXPECT_FALSE(Control<QLabel>(manager, "Image3")->pixmap().isNull());
    ASSERT_NO_FATAL_FAILURE(Screenshot(manager, "manager-startup-installed"));

    // Set 1 holds the three logos installed now.
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "cmdSets")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Control(manager, "FraSets")->isVisible(); }, kWaitMs));
    auto* thumbnail = Control<QLabel>(manager, "Image20");
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_TRUE(thumbnail->pixmap().isNull()) << "set 1 was saved before";
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "Command15a")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !thumbnail->pixmap().isNull(); }, kWaitMs));
    ASSERT_NO_FATAL_FAILURE(Screenshot(manager, "manager-sets"));

    // The originals come back; a question on the way is answered Yes.
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "XDWButton8")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Control(manager, "FraOrig")->isVisible(); }, kWaitMs));
    answerer->Expect("a question of \"Restore Originals\"", [](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        ASSERT_TRUE(box && box->button(QMessageBox::Yes)) << "not a question: " << dialog.windowTitle().toStdString();
        Click(box->button(QMessageBox::Yes));
    }, false);
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "Command6a")));
    answerer->Done();
    ASSERT_TRUE(QTest::qWaitFor([&] { return testing::ReadBytes(drive / "logo.sys") == startup; }, kWaitMs));
    ASSERT_NO_FATAL_FAILURE(Screenshot(manager, "manager-originals"));

    // About opens beside the Logo Manager and its "Close" closes it.
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "Command1")));
    QWidget* about = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return Exposed(about = TopLevel(QStringLiteral("About Quillmere"))); }, kWaitMs));
    ASSERT_NO_FATAL_FAILURE(Screenshot(about, "about"));
    ASSERT_NO_FATAL_FAILURE(Click(Control(about, "Command3")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !about->isVisible(); }, kWaitMs));
    EXPECT_TRUE(manager->isVisible());

    // Closing the Logo Manager closes the Logo Creator too and ends the program.
    ASSERT_TRUE(creator->isVisible());
    ASSERT_NO_FATAL_FAILURE(Click(Control(manager, "cmdClose")));
}

// After a failure: every window goes, so the program ends and the test reports.
void RealWindowTest::Stop()
{
    while (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
        dialog->reject();
    QApplication::closeAllWindows();
    QCoreApplication::exit(1);
}

RealWindowTest* current = nullptr;

// Calls start once the Logo Manager is shown: the program's own event loop
// runs from then on (its start-up lets pending events through while the window
// is still being made).
class WhenShown : public QObject {
public:
    WhenShown(QString title, std::function<void()> start) : title_(std::move(title)), start_(std::move(start))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* w = qobject_cast<QWidget*>(watched);
        if (event->type() == QEvent::Show && w && w->isWindow() && w->windowTitle() == title_) {
            qApp->removeEventFilter(this);
            QTimer::singleShot(0, this, start_);
        }
        return false;
    }

private:
    QString title_;
    std::function<void()> start_;
};

TEST_F(RealWindowTest, PhotoToInstalledLogoSetAndOriginalsBack)
{
    current = this;
    qAddPreRoutine([] {
        current->answerer = std::make_unique<ModalAnswerer>();
        current->starter = std::make_unique<WhenShown>(QStringLiteral("Logo Manager"), [] {
            // What a Wayland compositor matches the windows to the menu entry
            // (quillmere.desktop) by; the program itself is quillmere-windows.
            EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("quillmere"));
            current->Walk();
            if (TopLevel(QStringLiteral("Logo Manager")))
                current->Stop();
        });
        // The last guard against a path that hangs.
        QTimer::singleShot(5 * kWaitMs, current->answerer.get(), [] {
            ADD_FAILURE() << "the user path did not end";
            current->Stop();
        });
    });
    const std::string driveArg = drive.string();
    std::string program = "quillmere", option = "--drive-c";
    char* argv[] = {program.data(), option.data(), const_cast<char*>(driveArg.c_str()), nullptr};
    int argc = 3;
    const int status = app::RunWindowProgram(argc, argv);
    starter.reset();
    answerer.reset();
    EXPECT_EQ(status, 0);

    // The saved logo passes the logo test: a bitmap file of 129078 bytes.
    const Bytes saved = testing::ReadBytes(pictures / "mylogo.bmp");
    ASSERT_EQ(saved.size(), 129078u);
    EXPECT_EQ(saved[0], 'B');
    EXPECT_EQ(saved[1], 'M');
    // Back to the original after Restore Originals; set 1 holds the saved logo
    // and the wait and safe logos installed at the time; the originals stay.
    const fs::path backups = drive / "VH Backups";
    EXPECT_EQ(testing::ReadBytes(drive / "logo.sys"), startup);
    EXPECT_EQ(testing::ReadBytes(drive / "Windows" / "logow.sys"), wait);
    EXPECT_EQ(testing::ReadBytes(drive / "Windows" / "logos.sys"), safe);
    EXPECT_EQ(testing::ReadBytes(backups / "Logo.C2K"), saved);
    EXPECT_EQ(testing::ReadBytes(backups / "Logow.C2K"), wait);
    EXPECT_EQ(testing::ReadBytes(backups / "Logos.C2K"), safe);
    EXPECT_EQ(testing::ReadBytes(backups / "Logo.C1K"), startup);
    EXPECT_EQ(testing::ReadBytes(backups / "Logow.C1K"), wait);
    EXPECT_EQ(testing::ReadBytes(backups / "Logos.C1K"), safe);
    // The Logo Manager kept the Startup page's folder for the next start.
    EXPECT_EQ(QtSettingsStore().Read(QStringLiteral("Path")), Text(pictures));
}

} // namespace
} // namespace quillmere
