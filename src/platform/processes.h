// Other programs: starting them, listing and terminating processes, and their top-level windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmor {

// One running process as the process list gives it.
struct ProcessInfo {
    int pid = 0;
    std::string executable;         // the executable's full path, links resolved
    std::vector<std::string> args;  // its command line, the program name first
    std::string workDir;            // its current folder
    long uid = -1;                  // the real user id of its owner; -1: not known
};

class ProcessService {
  public:
    virtual ~ProcessService() = default;
    // Starts the program file with the arguments in the working folder (empty: the current
    // one). A name without a folder is looked up on the search path; a file that is not a program
    // is opened with the desktop's default application. The id of the process started, or 0
    // when nothing could be started.
    virtual int start(const std::string& path, const std::vector<std::string>& args,
                      const std::string& workDir) = 0;
    // The processes running now.
    virtual std::vector<ProcessInfo> processes() = 0;
    // Asks the process to end, and ends it by force when it has not after a short grace. True
    // when the request was delivered.
    virtual bool terminate(int pid) = 0;
};

using WindowId = std::uint32_t;  // 0: no window

struct WindowInfo {
    WindowId id = 0;
    std::string title;
};

class WindowService {
  public:
    virtual ~WindowService() = default;
    // False when there is no desktop to look at (no display).
    virtual bool available() = 0;
    // False where some programs' windows cannot be seen at all: in a Wayland session only the
    // windows of X11 programs (through XWayland) are there to find, hide or close.
    virtual bool seesAllWindows() { return true; }
    // The top-level windows, topmost first, hidden ones included.
    virtual std::vector<WindowInfo> topLevelWindows() = 0;
    virtual bool visible(WindowId window) = 0;
    virtual void show(WindowId window) = 0;
    virtual void hide(WindowId window) = 0;
    // Asks the window to close, as its close box does.
    virtual void close(WindowId window) = 0;
    // Watches for top-level windows titled exactly title: seen runs, on a thread of the service's
    // own, for a window that has the title when the watch starts, is created with it or takes it
    // later. A new watch replaces the last one; an empty seen ends it, and once that call returns
    // seen runs no more. False when windows cannot be watched (no display).
    virtual bool watchTitle(const std::string& title, std::function<void()> seen) = 0;
};

}  // namespace velmor
