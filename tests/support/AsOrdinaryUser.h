// Permission tests that must hold for root too: root writes into any folder, so
// there the attempt runs in a child process that has become an ordinary user.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace quillmere::testing {

// True when attempt() returned true, run as this user or, for root, as nobody.
template <typename Attempt>
bool AsOrdinaryUser(Attempt attempt)
{
    if (::geteuid() != 0)
        return attempt();
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && attempt();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace quillmere::testing
