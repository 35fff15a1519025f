// The windows from the command-line program: it starts the window program, in
// <prefix>/libexec/quillmere (in a build, libexec/quillmere below the build
// folder), in its own place with the same arguments, so the window toolkit is
// loaded only for the windows.
#pragma once

#include "cli/Program.h"

namespace quillmere::app {

// The arguments to start the window program with: main()'s argv, kept as given.
void KeepArguments(char* argv[]);

// Starts the window program in place of this one; returns only when it cannot
// be started, with ExitFailure after a message.
int StartWindowProgram(const GlobalOptions& options);

inline constexpr WindowFront kWindowLauncher{StartWindowProgram, StartWindowProgram};

} // namespace quillmere::app
