// Runs a program as a user would, with its arguments passed as bytes (no shell
// quoting), and collects its exit status and output.
#pragma once

#include "ChildProcess.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmere::testing {

struct ProgramResult {
    int status = -1; // the exit status; -1 when the program did not exit normally
    int signal = 0;  // the signal that ended it, if one did
    std::string out;
    std::string err;
};

struct ProgramOptions {
    // Variables to set (a value) or to remove (nullopt) in the program's environment.
    std::map<std::string, std::optional<std::string>> environment{};
    // The program is killed by SIGALRM after this many seconds, so a program
    // that hangs fails the test instead of stopping the suite.
    unsigned timeoutSeconds = kChildTimeout;
    // Runs in the child just before the exec (a resource limit, another user);
    // the child ends with status 127 when it returns false.
    std::function<bool()> beforeExec{};
    // The program's current folder; empty: the test's.
    std::filesystem::path workingDirectory{};
};

// How the program ended and what it wrote to standard error, for a failure
// message: a status alone does not tell a refusal from a crash or a hang.
inline std::string Describe(const ProgramResult& r, const ProgramOptions& options = {})
{
    std::string text;
    if (r.signal == SIGALRM)
        text = "killed after the limit of " + std::to_string(options.timeoutSeconds) + " s";
    else if (r.signal != 0)
        text = "killed by signal " + std::to_string(r.signal) + " (" + ::strsignal(r.signal) + ")";
    else if (r.status < 0)
        text = "not started or not waited for";
    else
        text = "exit status " + std::to_string(r.status);
    return text + "; standard error: \"" + r.err + "\"";
}

// Runs argv[0] with argv; standard input is /dev/null, standard output and
// error go to files in scratch (a folder that must exist).
inline ProgramResult RunProgram(std::vector<std::string> argv, const std::filesystem::path& scratch,
                                const ProgramOptions& options = {})
{
    const std::filesystem::path out = scratch / "program-stdout.txt";
    const std::filesystem::path err = scratch / "program-stderr.txt";
    const pid_t child = ::fork();
    if (child == 0) {
        for (const auto& [name, value] : options.environment) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        const int in = ::open("/dev/null", O_RDONLY);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0)
            ::_exit(127);
        if (!options.workingDirectory.empty() && ::chdir(options.workingDirectory.c_str()) != 0)
            ::_exit(127);
        std::vector<char*> raw;
        for (std::string& a : argv)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        if (options.beforeExec && !options.beforeExec())
            ::_exit(127);
        ::alarm(options.timeoutSeconds); // survives the exec
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    ProgramResult result;
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child) {
        if (WIFEXITED(status))
            result.status = WEXITSTATUS(status);
        else if (WIFSIGNALED(status))
            result.signal = WTERMSIG(status);
    }
    const auto read = [](const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    result.out = read(out);
    result.err = read(err);
    return result;
}

} // namespace quillmere::testing
