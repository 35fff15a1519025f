// The whole command line behind main(): the global options are read, and a
// command runs or the windows open. A library, so that the window program runs
// the same command line and a test can start it exactly as main() does.
#pragma once

#include "cli/Command.h"

#include <filesystem>

namespace quillmere::app {

// What opens the windows: the window program itself, or, in the command-line
// program, a start of the window program. Called only where a display is.
struct WindowFront {
    int (*manager)(const GlobalOptions& options); // no command: the Logo Manager
    int (*creator)(const GlobalOptions& options); // "creator", its arguments checked
};

// Runs what argv asks for and returns the exit status.
int Run(int argc, char* argv[], const WindowFront& windows);

// True when a window can be opened: a platform is named (QT_QPA_PLATFORM), or
// an X11 or Wayland display is.
bool DisplayAvailable();

// The folder of the quillmere program: the running program's own, or, for the
// window program in <prefix>/libexec/quillmere, the quillmere beside it in
// <prefix>/bin (in a build, the build folder).
std::filesystem::path ProgramFolder();

} // namespace quillmere::app
