// Where the command-line program finds the window program, and whether it may
// run it: a program that another user could have put there or changed is
// never run, since the one who runs it may be root.
#pragma once

#include <filesystem>
#include <string>

#include <sys/types.h>

namespace quillmere {

inline constexpr const char* kWindowProgramName = "quillmere-windows";

// The window program for the quillmere in programFolder: the build's own
// (libexec/quillmere below the build folder) for the program built there, the
// installed one (<prefix>/libexec/quillmere, fixed when it was built) for the
// program installed, and for a quillmere anywhere else (an installed tree moved
// or unpacked: <somewhere>/bin) the libexec/quillmere beside its bin folder.
// Whether it exists or may run is not checked here.
std::filesystem::path WindowProgramFor(const std::filesystem::path& programFolder);

// Empty when only root and user could have put program where it is or changed
// it: with every link resolved, it is a regular file and it and every folder
// above it belong to root or user, and none of them is writable by its group
// or by everyone. A folder that is so writable but sticky (like /tmp) is
// accepted, as what lies in it can then be renamed or removed only by its owner,
// the folder's owner or root, and what lies below is checked in turn. Otherwise
// why not, naming the file or folder: "... belongs to another user (uid 1000)",
// "... may be changed by other users (...)".
std::string WhyNotSafeToRun(const std::filesystem::path& program, uid_t user);

} // namespace quillmere
