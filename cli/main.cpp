#include "cli/Program.h"
#include "cli/WindowLauncher.h"

#include <csignal>

int main(int argc, char* argv[])
{
    // Past a file-size limit a write should fail with EFBIG, which is reported
    // and cleaned up like any other failure, rather than kill the program with
    // a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    quillmere::app::KeepArguments(argv);
    return quillmere::app::Run(argc, argv, quillmere::app::kWindowLauncher);
}
