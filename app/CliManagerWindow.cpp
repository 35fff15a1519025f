// With no command the program opens the Logo Manager window.
#include "CliManagerWindow.h"

#include "about/AboutPlatform.h"
#include "about/Registry.h"
#include "app/platform/Dialogs.h"
#include "app/platform/SettingsStore.h"
#include "app/platform/UserFolders.h"
#include "imaging/Errors.h"
#include "manager/DriveC.h"
#include "manager/Form1.h"
#include "manager/StartDrive.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <filesystem>
#include <optional>

namespace quillmere::app {

int RunManagerWindow(const GlobalOptions& options)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "quillmere: no display to open the Logo Manager on; the commands work without one "
                             "(see 'quillmere --help')\n");
        return ExitFailure;
    }
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
    // No Windows registry here: the system-information tool is looked for on $PATH.
    ToolRegistry registry(qgetenv("PATH").toStdString());
    QtProcessStarter processes;
    const std::filesystem::path programFolder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    Form1 window({settings, messages, opener, folders, saveDialog, creatorMessages, registry, processes, programFolder,
                  {}, UserPicturesFolder()},
                 std::move(start->drive));
    window.show();
    if (!start->problem.isEmpty())
        messages.Warning(&window, QStringLiteral("Drive C:"),
                         QStringLiteral("%1\nThe practice drive is drive C: for now; \"Change...\" picks another.")
                             .arg(start->problem));
    return QApplication::exec() == 0 ? ExitOk : ExitFailure;
}

} // namespace quillmere::app
