// Starts a program and measures it from outside (bench/measure_window.sh): the time from the
// start of its process to the mapping of its top-level window with a given title and, when asked,
// its resident memory after start and its context switches (all threads) while it idles.
// Usage: window_timer TITLE IDLE_SECONDS PROGRAM [ARGS...]
// Prints "shown_ms=T" and, with IDLE_SECONDS > 0, "rss_kb=R switches_per_s=S"; the program is
// ended (SIGTERM) before it returns.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

std::string titleOf(xcb_connection_t* c, xcb_window_t w) {
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    if (!r) return {};
    std::string title(static_cast<const char*>(xcb_get_property_value(r)),
                      static_cast<std::size_t>(xcb_get_property_value_length(r)));
    std::free(r);
    return title;
}

// A field of /proc/<pid>/status (or of a thread's), in its own unit; 0 when absent.
long long statusField(const std::string& file, const std::string& name) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size(), name) == 0 && line[name.size()] == ':')
            return std::atoll(line.c_str() + name.size() + 1);
    }
    return 0;
}

long long switches(pid_t pid) {
    long long sum = 0;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        const std::string status = task.path() / "status";
        sum += statusField(status, "voluntary_ctxt_switches") +
               statusField(status, "nonvoluntary_ctxt_switches");
    }
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: window_timer TITLE IDLE_SECONDS PROGRAM [ARGS...]\n");
        return 2;
    }
    const std::string title = argv[1];
    const int idleSeconds = std::atoi(argv[2]);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "window_timer: no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // The selection is in force before the program starts, so no map goes unseen.
    xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &mask));

    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[3], argv + 3);
        std::perror("window_timer: exec");
        _exit(127);
    }
    double shownMs = -1;
    const int fd = xcb_get_file_descriptor(c);
    for (int waited = 0; shownMs < 0 && waited < 30000; waited += 50) {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, 50);
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const bool mapped = (e->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t w =
                mapped ? reinterpret_cast<xcb_map_notify_event_t*>(e)->window : 0;
            std::free(e);
            if (mapped && shownMs < 0 && titleOf(c, w) == title) {
                shownMs = std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - start)
                              .count();
            }
        }
        if (xcb_connection_has_error(c) || waitpid(pid, nullptr, WNOHANG) == pid) break;
    }
    int rc = 0;
    if (shownMs < 0) {
        std::fprintf(stderr, "window_timer: no window titled \"%s\"\n", title.c_str());
        rc = 1;
    } else {
        std::printf("shown_ms=%.1f\n", shownMs);
        if (idleSeconds > 0) {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            const std::string status = "/proc/" + std::to_string(pid) + "/status";
            const long long rss = statusField(status, "VmRSS");
            const long long before = switches(pid);
            std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
            const long long after = switches(pid);
            std::printf("rss_kb=%lld switches_per_s=%.1f\n", rss,
                        static_cast<double>(after - before) / idleSeconds);
        }
    }
    std::fflush(stdout);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    xcb_disconnect(c);
    return rc;
}
