// A desktop of a test's own X server as the tests look at it: the notification area's icons,
// windows by name, their state.
#pragma once

#include <chrono>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/x_server.h"

namespace velmor::test {

struct Geometry {
    std::string id;
    int x = 0, y = 0, w = 0, h = 0;
};

class TrayDesktop {
  public:
    explicit TrayDesktop(const std::string& display) : display_(display) {}
    ProcessResult x(const std::vector<std::string>& args) const {
        return runProcess("/usr/bin/env", args, {"DISPLAY=" + display_});
    }
    // The program's icon as the notification area holds it: a window of class "velmor" inside
    // the panel's window tree.
    std::optional<Geometry> trayIcon() const {
        const std::string tree = x({"xwininfo", "-root", "-tree"}).out;
        std::istringstream lines(tree);
        std::string line;
        bool inPanel = false;
        const std::regex icon(
            R"re(^\s+(0x[0-9a-f]+) "Velmor": \("velmor" "Velmor"\)\s+(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+))re");
        while (std::getline(lines, line)) {
            if (line.find("\"panel\": (\"panel\" \"trayer\")") != std::string::npos) {
                inPanel = true;
                continue;
            }
            std::smatch m;
            if (inPanel && std::regex_search(line, m, icon)) {
                return Geometry{m[1], std::stoi(m[4]), std::stoi(m[5]), std::stoi(m[2]),
                                std::stoi(m[3])};
            }
        }
        return std::nullopt;
    }
    std::string mainWindow() const {
        const std::string out = x({"xwininfo", "-name", "Velmor 0.97"}).out;
        const std::smatch m = [&] {
            std::smatch r;
            std::regex_search(out, r, std::regex("Window id: (0x[0-9a-f]+)"));
            return r;
        }();
        return m.empty() ? std::string() : std::string(m[1]);
    }
    // The first window whose name matches the pattern, hidden ones included; empty: none.
    std::string windowNamed(const std::string& pattern) const {
        std::istringstream ids(x({"xdotool", "search", "--name", pattern}).out);
        std::string id;
        ids >> id;
        return id;
    }
    bool viewable(const std::string& id) const {
        return x({"xwininfo", "-id", id}).out.find("IsViewable") != std::string::npos;
    }
    bool skipsTaskbar(const std::string& id) const {
        return x({"xprop", "-id", id, "_NET_WM_STATE"}).out.find("_NET_WM_STATE_SKIP_TASKBAR") !=
               std::string::npos;
    }

  private:
    std::string display_;
};

template <class F>
bool eventually(F done, int ms = 10000) {
    for (int waited = 0; waited < ms; waited += 50) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

}  // namespace velmor::test
