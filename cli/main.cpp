#include "cli/Program.h"
#include "cli/WindowLauncher.h"

#include "imaging/StopAtStep.h"
#include "drive/NbdMount.h"
#include "imaging/TemporaryPaths.h"

#include <csignal>
#include <cstdlib>

int main(int argc, char* argv[])
{
    // Past a file-size limit a write should fail with EFBIG, which is reported
    // and cleaned up like any other failure, rather than kill the program with
    // a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    // A run ended by Ctrl+C, kill, a closed terminal or Ctrl+\ leaves no
    // temporary behind; one ended by SIGKILL is tidied by the next run.
    quillmere::RemoveTemporariesOnSignals();
    // A killed run's disk image mount goes before its scratch folder can.
    quillmere::RemoveStaleMounts(quillmere::ScratchParent());
    quillmere::RemoveStaleScratchFolders(quillmere::ScratchParent());
    if (const char* step = std::getenv("QUILLMERE_STOP_AT"))
        quillmere::StopAtStep(step);
    quillmere::app::KeepArguments(argv);
    return quillmere::app::Run(argc, argv, quillmere::app::kWindowLauncher);
}
