#include "cli/WindowLocation.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <sys/stat.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

bool SameFolder(const fs::path& a, const fs::path& b)
{
    std::error_code ignored;
    return fs::equivalent(a, b, ignored);
}

} // namespace

fs::path WindowProgramFor(const fs::path& programFolder)
{
    // Fixed when built, so that a copy of the program cannot lead to another
    // window program by where it is copied to.
    if (SameFolder(programFolder, QUILLMERE_BUILD_BIN))
        return fs::path(QUILLMERE_BUILD_WINDOWS) / kWindowProgramName;
    if (SameFolder(programFolder, QUILLMERE_INSTALLED_BIN))
        return fs::path(QUILLMERE_INSTALLED_WINDOWS) / kWindowProgramName;
    // A tree moved or unpacked as a whole (the package test runs the unpacked
    // package) keeps its layout; WhyNotSafeToRun decides whether it may run.
    return programFolder.parent_path() / "libexec" / "quillmere" / kWindowProgramName;
}

std::string WhyNotSafeToRun(const fs::path& program, uid_t user)
{
    std::error_code error;
    const fs::path real = fs::canonical(program, error);
    if (error)
        return program.string() + ": " + error.message();
    fs::path at;
    for (const fs::path& part : real) {
        at /= part;
        const bool last = at == real;
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0)
            return at.string() + ": " + std::strerror(errno);
        // canonical() resolved every link; one here was put in since.
        if (last ? !S_ISREG(st.st_mode) : !S_ISDIR(st.st_mode))
            return at.string() + " is not a " + (last ? "regular file" : "folder");
        if (st.st_uid != 0 && st.st_uid != user)
            return at.string() + " belongs to another user (uid " + std::to_string(st.st_uid) + ")";
        const bool sticky = !last && (st.st_mode & S_ISVTX);
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !sticky)
            return at.string() + " may be changed by other users (it is writable by " +
                   ((st.st_mode & S_IWOTH) ? "everyone" : "its group") + ")";
    }
    return {};
}

} // namespace quillmere
