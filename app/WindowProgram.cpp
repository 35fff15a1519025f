#include "app/WindowProgram.h"

#include "about/AboutPlatform.h"
#include "about/Registry.h"
#include "desktop/artwork/Artwork.h"
#include "desktop/Dialogs.h"
#include "desktop/SettingsStore.h"
#include "desktop/UserFolders.h"
#include "cli/Program.h"
#include "creator/window/fMain.h"
#include "imaging/Errors.h"
#include "drive/DriveC.h"
#include "manager/window/Form1.h"
#include "manager/window/StartDrive.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

namespace quillmere::app {

namespace {

// Every window of the program carries its icon. Drawn at eight sizes, it costs
// a tenth of the start, so it follows the first window onto the screen instead
// of holding it back; the windows opened later have it at once.
void IconAfterShowing()
{
    QTimer::singleShot(0, [] { QApplication::setWindowIcon(artwork::ProgramIcon()); });
}

// Drive c: of the creator's file list: the drive C: folder; empty when it cannot
// be opened or is a disk image, whose files have no path to list.
std::filesystem::path DriveCRoot(const GlobalOptions& options)
{
    try {
        const DriveC drive = DriveC::Open(options.driveC, options.partition);
        return drive.IsImage() ? std::filesystem::path() : drive.Root();
    } catch (const Error&) {
        return {};
    }
}

int RunCreatorWindow(const GlobalOptions& options)
{
    QtSettingsStore settings;
    QtSaveDialog saveDialog;
    QtMessageBoxes messages;
    fMain window({settings, saveDialog, messages, DriveCRoot(options), {}, UserPicturesFolder()});
    window.show();
    IconAfterShowing();
    return QApplication::exec() == 0 ? ExitOk : ExitFailure;
}

int RunManagerWindow(const GlobalOptions& options)
{
    QtSettingsStore settings;
    std::optional<StartDrive> start;
    try {
        start.emplace(OpenStartDrive(options.driveC, options.partition, settings));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quillmere: %s\n", Printable(e.what()).c_str());
        return ExitFailure;
    }
    QtManagerMessages messages;
    QtDocumentOpener opener;
    QtFolderChooser folders;
    QtSaveDialog saveDialog;
    QtMessageBoxes creatorMessages;
    QtOpenDialog openDialog;
    // No Windows registry here: the system-information tool is looked for on $PATH.
    ToolRegistry registry(qgetenv("PATH").toStdString());
    QtProcessStarter processes;
    const std::filesystem::path programFolder = ProgramFolder();
    Form1 window({settings, messages, opener, folders, saveDialog, creatorMessages, openDialog, registry, processes,
                  programFolder, {}, UserPicturesFolder()},
                 std::move(start->drive));
    window.show();
    IconAfterShowing();
    if (!start->problem.isEmpty())
        messages.Warning(&window, QStringLiteral("Drive C:"),
                         QStringLiteral("%1\nThe practice drive is drive C: for now; \"Change...\" picks another.")
                             .arg(start->problem));
    return QApplication::exec() == 0 ? ExitOk : ExitFailure;
}

} // namespace

int RunWindowProgram(int& argc, char* argv[])
{
    // Without a display only the core application object: the command line
    // then says there is none, as quillmere does.
    std::unique_ptr<QCoreApplication> app;
    if (DisplayAvailable()) {
        app = std::make_unique<QApplication>(argc, argv);
        // The menu entry's name (quillmere.desktop), so that a Wayland
        // compositor matches the windows to it: the program runs as
        // quillmere-windows, a name no desktop entry has.
        QGuiApplication::setDesktopFileName(QStringLiteral("quillmere"));
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));
    return Run(argc, argv, WindowFront{RunManagerWindow, RunCreatorWindow});
}

} // namespace quillmere::app
