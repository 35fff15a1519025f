// With no command the program opens the Logo Manager window.
#include "CliManagerWindow.h"

#include "about/AboutPlatform.h"
#include "about/Registry.h"
#include "app/platform/Dialogs.h"
#include "app/platform/SettingsStore.h"
#include "imaging/Errors.h"
#include "manager/DriveC.h"
#include "manager/Form1.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quillmere::app {

int RunManagerWindow(const GlobalOptions& options)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "quillmere: no display to open the Logo Manager on; the commands work without one "
                             "(see 'quillmere --help')\n");
        return ExitFailure;
    }
    QtSettingsStore settings;
    // --drive-c, else $QUILLMERE_DRIVE_C, else the folder chosen last in the window, else the practice drive.
    std::string option = options.driveC;
    if (option.empty() && qEnvironmentVariableIsEmpty("QUILLMERE_DRIVE_C")) {
        const QString stored = settings.Read(QStringLiteral("DriveC"));
        std::error_code ec;
        if (!stored.isEmpty() && std::filesystem::exists(QFile::encodeName(stored).toStdString(), ec))
            option = QFile::encodeName(stored).toStdString();
    }
    std::optional<DriveC> drive;
    try {
        drive.emplace(DriveC::Open(option, options.partition));
    } catch (const Error& e) {
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
    Form1 window({settings, messages, opener, folders, saveDialog, creatorMessages, registry, processes, programFolder},
                 std::move(*drive));
    window.show();
    return QApplication::exec() == 0 ? ExitOk : ExitFailure;
}

} // namespace quillmere::app
