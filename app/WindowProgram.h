// The window program: the Logo Manager, the Logo Creator, About and the Boot
// Preview, over the same command line as quillmere, which starts it for the
// windows. A library, so that a test can start it exactly as main() does.
#pragma once

namespace quillmere::app {

// Makes the application object from argv (argc must outlive the run), runs
// what argv asks for and returns the exit status.
int RunWindowProgram(int& argc, char* argv[]);

} // namespace quillmere::app
