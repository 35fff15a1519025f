// process_cost [--] COMMAND [ARG ...]: runs COMMAND once, its output thrown
// away, and prints what the kernel counted for that process alone:
//   USER_US SYS_US MINOR_FAULTS MAJOR_FAULTS EXIT_STATUS
// CPU in microseconds from wait4's rusage, which /usr/bin/time rounds to
// hundredths of a second: too coarse for a run of a few milliseconds. The
// program is started with posix_spawn, so the count holds no copy of this one.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace {

long Microseconds(const timeval& t) { return t.tv_sec * 1'000'000L + t.tv_usec; }

int Usage(std::FILE* to, int status)
{
    std::fputs("usage: process_cost [--] COMMAND [ARG ...]\n", to);
    return status;
}

} // namespace

int main(int argc, char* argv[])
{
    int first = 1;
    if (first < argc && std::strcmp(argv[first], "--help") == 0)
        return Usage(stdout, 0);
    if (first < argc && std::strcmp(argv[first], "--") == 0)
        ++first;
    else if (first < argc && argv[first][0] == '-')
        return Usage(stderr, 2);
    if (first >= argc)
        return Usage(stderr, 2);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[first], &actions, nullptr, argv + first, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "process_cost: %s: %s\n", argv[first], std::strerror(spawned));
        return 127;
    }
    int status = 0;
    rusage usage {};
    while (::wait4(child, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            std::perror("process_cost: wait4");
            return 1;
        }
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::printf("%ld %ld %ld %ld %d\n", Microseconds(usage.ru_utime), Microseconds(usage.ru_stime), usage.ru_minflt,
                usage.ru_majflt, code);
    return 0;
}
