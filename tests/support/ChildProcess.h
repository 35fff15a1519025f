// Runs a piece of a test in a child process: for limits that must not touch the
// test process (a file-size limit) and for calls that might hang, which a
// timeout turns into a failure.
#pragma once

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmere::testing {

// Seconds a child process, or a program a test starts, may run before it is
// killed as hung. It only has to catch a hang, so it is generous: a sanitized
// build starts and ends a program several times slower, a busy machine (builds
// and test runs sharing two cores) slows it as much again, and a limit reached
// there fails a test that would have passed.
#ifdef QUILLMERE_SANITIZED
inline constexpr unsigned kChildTimeout = 600;
#else
inline constexpr unsigned kChildTimeout = 180;
#endif

// Lets files written by this process grow to `bytes` at most, with SIGXFSZ
// ignored, so a write beyond fails with EFBIG as on a full disk. Call it in a
// child process (or before exec).
inline void LimitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

// True when attempt() returned true in a child process that ended within
// kChildTimeout seconds; false when it returned false, crashed or hung.
template <typename Attempt>
bool InChild(Attempt attempt)
{
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        ::alarm(kChildTimeout);
        ::_exit(attempt() ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace quillmere::testing
