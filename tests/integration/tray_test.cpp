#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/x_desktop.h"

using velmor::test::ChildProcess;
using velmor::test::eventually;
using velmor::test::Geometry;
using velmor::test::OwnXServer;
using velmor::test::ProcessResult;
using velmor::test::programEnvironment;
using velmor::test::runProcess;
using velmor::test::storeProgramPassword;
using velmor::test::TrayDesktop;
namespace fs = std::filesystem;

namespace {

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
        // ...and a double click on the icon brings it back, still without a taskbar button. The
        // panel may have laid its icons out again since the icon came: aim where it is now.
        ASSERT_TRUE(eventually([&] { return (icon = desk.trayIcon()).has_value(); }));
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
