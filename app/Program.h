// The whole program behind main(): the command line is read, and a command
// runs or the Logo Manager window opens. A library, so that a test can start
// the program exactly as main() does.
#pragma once

namespace quillmere::app {

// Makes the application object from argv (argc must outlive the run), runs
// what argv asks for and returns the exit status.
int Run(int& argc, char* argv[]);

} // namespace quillmere::app
