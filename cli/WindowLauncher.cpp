#include "cli/WindowLauncher.h"

#include "cli/WindowLocation.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace quillmere::app {

namespace {

char** keptArguments = nullptr;

} // namespace

void KeepArguments(char* argv[]) { keptArguments = argv; }

int StartWindowProgram(const GlobalOptions&)
{
    std::filesystem::path program = WindowProgramFor(ProgramFolder());
    auto refuse = [&](const std::string& reason) {
        std::fprintf(stderr, "quillmere: cannot start the windows (%s): %s\n", Printable(program.native()).c_str(),
                     Printable(reason).c_str());
        return ExitFailure;
    };
    std::error_code missing;
    if (!std::filesystem::exists(program, missing))
        return refuse("the windows are not installed");
    // Whoever runs this, root too, runs only a window program that no other
    // user could have put in place; by the path that was checked, every link
    // resolved, as a link's own folder is not.
    if (const std::string why = WhyNotSafeToRun(program, ::geteuid()); !why.empty())
        return refuse("the windows are not installed safely, so they are not started: " + why);
    program = std::filesystem::canonical(program, missing);
    if (missing)
        return refuse(missing.message());
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
