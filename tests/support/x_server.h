// An X server of a test's own (Xvfb on a display it picks itself) and helpers around it.
#pragma once

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"

namespace velmor::test {

inline bool onPath(const std::string& program) {
    return runProcess("/bin/sh", {"-c", "command -v " + program}).status == 0;
}

class OwnXServer {
  public:
    // dir: a folder of the test's own, where the display number is handed over.
    explicit OwnXServer(const std::string& dir) {
        const std::string file = dir + "/display";
        server_ = std::make_unique<ChildProcess>(
            "/bin/sh", std::vector<std::string>{"-c",
                                                "exec Xvfb -displayfd 3 -screen 0 800x600x24 "
                                                "-nolisten tcp -noreset 3>" +
                                                    file});
        for (int i = 0; i < 200 && display_.empty(); ++i) {
            std::ifstream in(file);
            std::getline(in, display_);
            if (display_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        if (!display_.empty()) display_ = ":" + display_;
    }
    const std::string& display() const { return display_; }

  private:
    std::unique_ptr<ChildProcess> server_;
    std::string display_;
};

// The context switches of every thread of a running process so far: each is a wake-up.
inline long long contextSwitches(int pid) {
    long long sum = 0;
    std::error_code ec;
    for (const auto& task :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
        std::ifstream in(task.path() / "status");
        std::string line;
        while (std::getline(in, line)) {
            if (line.find("ctxt_switches:") != std::string::npos)
                sum += std::stoll(line.substr(line.find(':') + 1));
        }
    }
    return sum;
}

// The wake-ups of a process over ms milliseconds from now.
inline long long wakeUpsOver(int pid, int ms) {
    const long long before = contextSwitches(pid);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return contextSwitches(pid) - before;
}

// The environment of a Velmor run over a test's own folder (program directory, phonebook,
// runtime directory) on an X display, in an X11 session whatever the test runs in.
inline std::vector<std::string> programEnvironment(const std::string& dir,
                                                   const std::string& display) {
    return {"VELMOR_HOME=" + dir,     "VELMOR_PHONEBOOK=" + dir + "/phonebook.ini",
            "XDG_RUNTIME_DIR=" + dir, "DISPLAY=" + display,
            "QT_QPA_PLATFORM=xcb",    "LC_ALL=ru_RU.UTF-8",
            "WAYLAND_DISPLAY=",       "XDG_SESSION_TYPE=x11"};
}

// A first headless run that stores a program password, so that the next start asks nothing.
// True when it ended as it should.
inline bool storeProgramPassword(const std::string& dir, const std::vector<std::string>& env) {
    std::ofstream(dir + "/password") << "пароль\n";
    ChildProcess first(binary("velmor"), {"--headless", "--password-file", dir + "/password"}, env);
    if (!first.waitForOutput("Жду Ваших приказаний")) return false;
    first.signal(SIGTERM);
    return first.wait().status == 0;
}

}  // namespace velmor::test
