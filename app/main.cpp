#include "app/WindowProgram.h"

#include <csignal>

int main(int argc, char* argv[])
{
    // A write past a file-size limit fails with EFBIG and is reported, as in quillmere.
    std::signal(SIGXFSZ, SIG_IGN);
    return quillmere::app::RunWindowProgram(argc, argv);
}
