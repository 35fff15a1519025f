#include "app/WindowProgram.h"

#include "drive/NbdMount.h"
#include "imaging/TemporaryPaths.h"

#include <csignal>

int main(int argc, char* argv[])
{
    // A write past a file-size limit fails with EFBIG and is reported, as in quillmere.
    std::signal(SIGXFSZ, SIG_IGN);
    // The Logo Creator's snapshots and the FAT tools' scratch folder go when a
    // signal ends the program, as in quillmere. The handler removes them itself
    // rather than asking the event loop to quit: a window busy with a long
    // operation, or a modal dialog waiting for an answer, still dies at once,
    // and the exit status still names the signal.
    quillmere::RemoveTemporariesOnSignals();
    // A killed run's disk image mount goes before its scratch folder can.
    quillmere::RemoveStaleMounts(quillmere::ScratchParent());
    quillmere::RemoveStaleScratchFolders(quillmere::ScratchParent());
    return quillmere::app::RunWindowProgram(argc, argv);
}
