// The program's first window: what runs when no command is given.
#pragma once

#include "Command.h"

namespace quillmere::app {

// Opens the Logo Manager on drive C: (--drive-c, $QUILLMERE_DRIVE_C, the
// folder or disk image last chosen in the window, the practice drive). Without a display,
// one line on standard error and ExitFailure.
int RunManagerWindow(const GlobalOptions& options);

} // namespace quillmere::app
