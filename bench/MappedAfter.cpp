// How long a program takes from its start until its first top-level window is
// on the X server's screen: "mapped-after PROGRAM [ARGS...]" watches the root
// window, starts the program, prints the milliseconds until the first map of
// a window, then ends the program.
// Run under an X server of its own (bench/startup.sh starts Xvfb).
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: mapped-after PROGRAM [ARGS...]\n");
        return 2;
    }
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "mapped-after: no X server (DISPLAY)\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::execvp(argv[1], argv + 1);
        ::_exit(127);
    }
    const auto ms = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    };
    int status = 1;
    while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
        const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
        std::free(event);
        if (!mapped)
            continue;
        std::printf("mapped %.1f\n", ms());
        status = 0;
        break;
    }
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    xcb_disconnect(connection);
    return status;
}
