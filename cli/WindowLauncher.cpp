#include "cli/WindowLauncher.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace quillmere::app {

namespace {

char** keptArguments = nullptr;

constexpr const char* kWindowProgram = "quillmere-windows";

} // namespace

void KeepArguments(char* argv[]) { keptArguments = argv; }

int StartWindowProgram(const GlobalOptions&)
{
    const std::filesystem::path folder = ProgramFolder();
    // Installed beside bin/, else where a build puts it.
    std::filesystem::path program = folder.parent_path() / "libexec" / "quillmere" / kWindowProgram;
    if (::access(program.c_str(), X_OK) != 0)
        program = folder / "libexec" / "quillmere" / kWindowProgram;
    if (keptArguments) {
        // The window program reads the same command line; argv[0] names it.
        keptArguments[0] = const_cast<char*>(program.c_str());
        ::execv(program.c_str(), keptArguments);
    }
    const int error = keptArguments ? errno : ENOEXEC;
    std::fprintf(stderr, "quillmere: cannot start the windows (%s): %s\n",
                 Printable(program.native()).c_str(), std::strerror(error));
    return ExitFailure;
}

} // namespace quillmere::app
