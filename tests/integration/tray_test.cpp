#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "support/x_server.h"

using velmor::test::ChildProcess;
using velmor::test::OwnXServer;
using velmor::test::ProcessResult;
using velmor::test::programEnvironment;
using velmor::test::runProcess;
using velmor::test::storeProgramPassword;
namespace fs = std::filesystem;

namespace {

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

TEST(Tray, IconComesWithALatePanelAndTheWindowHidesIntoIt) {
    for (const char* tool : {"Xvfb", "trayer", "openbox", "xwininfo", "xprop", "xdotool"}) {
        if (!velmor::test::onPath(tool)) {
            std::printf("skipped: %s is not installed (scripts/setup.sh installs it)\n", tool);
            GTEST_SKIP() << tool << " is not installed";
        }
    }
    char tmpl[] = "/tmp/velmor-tray-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    {
        OwnXServer server(dir);
        ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
        const TrayDesktop desk(server.display());
        const auto env = programEnvironment(dir, server.display());
        ASSERT_TRUE(storeProgramPassword(dir, env));
        // Mode "TRAY" in the settings file.
        std::string ini;
        {
            std::ifstream in(dir + "/Velmor.ini", std::ios::binary);
            ini.assign(std::istreambuf_iterator<char>(in), {});
        }
        const auto at = ini.find("Mode=TASK");
        ASSERT_NE(at, std::string::npos);
        ini.replace(at, 9, "Mode=TRAY");
        std::ofstream(dir + "/Velmor.ini", std::ios::binary) << ini;

        ChildProcess wm("/usr/bin/env", {"openbox"}, env);
        // The window manager is ready once it has announced itself on the root window.
        ASSERT_TRUE(eventually([&] {
            return desk.x({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") !=
                   std::string::npos;
        }));
        ChildProcess program(velmor::test::binary("velmor"), {}, env);
        std::string window;
        ASSERT_TRUE(eventually([&] {
            window = desk.mainWindow();
            return !window.empty() && desk.viewable(window);
        })) << program.err()
            << desk.x({"xwininfo", "-root", "-tree"}).out;
        // No notification area yet: the window keeps its taskbar button, and the program does
        // not look for one; the X server tells it when a panel comes.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        EXPECT_FALSE(desk.skipsTaskbar(window));
        EXPECT_EQ(velmor::test::wakeUpsOver(program.pid(), 2500), 0);

        ChildProcess panel("/usr/bin/env",
                           {"trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                            "pixel", "--width", "120", "--height", "32", "--transparent", "false"},
                           env);
        std::optional<Geometry> icon;
        ASSERT_TRUE(eventually([&] { return (icon = desk.trayIcon()).has_value(); }))
            << "the icon did not reach the panel";
        EXPECT_TRUE(eventually([&] { return desk.skipsTaskbar(window); }));

        // Minimized by the window manager in mode TRAY, the window leaves the screen...
        desk.x({"xdotool", "windowminimize", window});
        EXPECT_TRUE(eventually([&] { return !desk.viewable(window); }));
        // ...and a double click on the icon brings it back, still without a taskbar button.
        const std::string cx = std::to_string(icon->x + icon->w / 2);
        const std::string cy = std::to_string(icon->y + icon->h / 2);
        desk.x({"xdotool", "mousemove", cx, cy, "click", "--repeat", "2", "--delay", "80", "1"});
        EXPECT_TRUE(eventually([&] { return desk.viewable(window); }));
        EXPECT_TRUE(desk.skipsTaskbar(window));

        // The panel goes away: the window takes its taskbar button back.
        panel.signal(SIGTERM);
        panel.wait();
        EXPECT_TRUE(eventually([&] { return !desk.skipsTaskbar(window); }));

        program.signal(SIGKILL);
        program.wait();
        wm.signal(SIGTERM);
        wm.wait();
    }
    fs::remove_all(dir);
}

}  // namespace
