// "creator" opens the Logo Creator window on its own.
#include "Command.h"
#include "WindowCommand.h"

#include "app/platform/Dialogs.h"
#include "app/platform/SettingsStore.h"
#include "app/platform/UserFolders.h"
#include "creator/fMain.h"
#include "imaging/Errors.h"
#include "manager/DriveC.h"

#include <QApplication>

#include <filesystem>

namespace quillmere::app {

namespace {

// Drive c: of the creator's file list: the drive C: folder; empty when it cannot
// be opened or is a disk image, whose files have no path to list.
std::filesystem::path DriveCRoot(const GlobalOptions& options)
{
    try {
        const DriveC drive = DriveC::Open(options.driveC);
        return drive.IsImage() ? std::filesystem::path() : drive.Root();
    } catch (const Error&) {
        return {};
    }
}

int RunCreator(const Args& args, const GlobalOptions& options);
const Command kCreator{30, "creator", "creator",
                       "Opens the Logo Creator window: load a picture, \"Create Logo\", \"Save Logo\".\n"
                       "Needs a display; convert does the same from the command line.",
                       RunCreator};
const RegisterCommand registerCreator(kCreator);
const RegisterWindowCommand registerCreatorWindow("creator");

int RunCreator(const Args& arguments, const GlobalOptions& options)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kCreator, parsed.problem);
    if (!parsed.operands.empty())
        return UsageError(kCreator, "no arguments are taken");
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return Fail(kCreator, "no display to open the window on; 'quillmere convert INPUT OUTPUT' makes a logo "
                              "without one (see 'quillmere --help')");
    QtSettingsStore settings;
    QtSaveDialog saveDialog;
    QtMessageBoxes messages;
    fMain window({settings, saveDialog, messages, DriveCRoot(options), {}, UserPicturesFolder()});
    window.show();
    return QApplication::exec() == 0 ? ExitOk : ExitFailure;
}

} // namespace

} // namespace quillmere::app
