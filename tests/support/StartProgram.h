// A program started in the background, for tests that stop, signal or race
// runs of it: no shell and no waiting.
#pragma once

#include "support/ChildProcess.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

extern char** environ;

namespace quillmere::testing {

// Starts argv with both output streams in out. Its environment is the test's
// without the variables that name a drive C: or a home folder, and with
// extraEnv ("NAME=value"), each replacing a variable of its name. The child is
// ended by SIGALRM after kChildTimeout seconds. Returns its process id.
inline pid_t StartProgram(std::vector<std::string> argv, const std::filesystem::path& out,
                          const std::vector<std::string>& extraEnv)
{
    std::vector<std::string> dropped = {"QUILLMERE_DRIVE_C=", "HOME=", "XDG_DATA_HOME="};
    for (const std::string& e : extraEnv)
        dropped.push_back(e.substr(0, e.find('=') + 1));
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        bool drop = false;
        for (const std::string& name : dropped)
            drop = drop || entry.starts_with(name);
        if (!drop)
            env.emplace_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> rawArgv, rawEnv;
    for (std::string& a : argv)
        rawArgv.push_back(a.data());
    rawArgv.push_back(nullptr);
    for (std::string& e : env)
        rawEnv.push_back(e.data());
    rawEnv.push_back(nullptr);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t child = ::fork();
    if (child == 0) {
        if (fd < 0 || ::dup2(fd, 1) < 0 || ::dup2(fd, 2) < 0)
            ::_exit(127);
        ::alarm(kChildTimeout);
        ::execve(rawArgv[0], rawArgv.data(), rawEnv.data());
        ::_exit(127);
    }
    if (fd >= 0)
        ::close(fd);
    return child;
}

} // namespace quillmere::testing
