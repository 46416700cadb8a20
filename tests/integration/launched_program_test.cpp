// A program launched on connect, end to end: the real Velmor on an X server of the test's own
// with a window manager and a notification area, dialling the simulated modem.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/profile.h"
#include "support/files.h"
#include "support/x_desktop.h"

using velmor::test::ChildProcess;
using velmor::test::eventually;
using velmor::test::TrayDesktop;
namespace fs = std::filesystem;

TEST(LaunchedProgram, StartsWithItsArgumentsHidesIntoItsIconShowsFromItsMenuEndsAfterHangUp) {
    for (const char* tool : {"Xvfb", "trayer", "openbox", "xwininfo", "xdotool"}) {
        if (!velmor::test::onPath(tool)) {
            std::printf("skipped: %s is not installed (scripts/setup.sh installs it)\n", tool);
            GTEST_SKIP() << tool << " is not installed";
        }
    }
    char tmpl[] = "/tmp/velmor-launch-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    {
        velmor::test::OwnXServer server(dir);
        ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";
        const TrayDesktop desk(server.display());
        const auto env = velmor::test::programEnvironment(dir, server.display());
        std::ofstream(dir + "/phonebook.ini")
            << "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nUserName=u\nPassword=p\n";
        ASSERT_TRUE(velmor::test::storeProgramPassword(dir, env));

        // The program, in a folder of its own; its parameters hold what a shell would act on.
        fs::create_directory(dir + "/app");
        const std::string program = dir + "/app/окно";
        fs::copy_file(velmor::test::binary("velmor_test_window"), program);
        const std::string params = "--name \"два слова\" 'a;b' $(touch pwned) x;y \"$(id)\"";
        {
            velmor::Profile ini(dir + "/Velmor.ini");
            const std::string s = "RAS_Entry_Тест";
            for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
                     {"appcount", "1"},
                     {"app0path", program},
                     {"app0param", params},
                     {"app0zagolovok", "Проверочное"},
                     {"app0opes", "Проверочная программа"},
                     {"app0runmethod", "1"},
                     {"app0checked", "1"},
                     {"app0restart", "1"},
                     {"app0mustkill", "1"}}) {
                ini.writeString(s, key, value);
            }
            ini.writeString("Brontavel", "DialAtStartup", "Y");
            ini.writeString("Brontavel", "HotDial", "121");  // F10 dials and hangs up
        }

        ChildProcess wm("/usr/bin/env", {"openbox"}, env);
        ASSERT_TRUE(eventually([&] {
            return desk.x({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") !=
                   std::string::npos;
        }));
        ChildProcess panel("/usr/bin/env",
                           {"trayer", "--edge", "bottom", "--align", "right", "--widthtype",
                            "pixel", "--width", "120", "--height", "32", "--transparent", "false"},
                           env);
        ASSERT_TRUE(eventually([&] { return !desk.windowNamed("^panel$").empty(); }));
        ChildProcess velmor(velmor::test::binary("velmor"), {}, env);

        // Connected, the program runs with exactly the words of its parameters, no shell between.
        ASSERT_TRUE(eventually([&] { return fs::exists(dir + "/app/pid"); }, 20000))
            << velmor.err();
        std::string expected;
        for (const char* word : {"--name", "два слова", "a;b", "$(touch", "pwned)", "x;y", "$(id)"})
            expected += std::string(word) + '\0';
        EXPECT_EQ(velmor::test::readFile(dir + "/app/args"), expected);
        EXPECT_FALSE(fs::exists(dir + "/app/pwned"));
        const int pid = std::stoi(velmor::test::readFile(dir + "/app/pid"));

        // Found by its title part and hidden into an icon of its own.
        std::string window;
        ASSERT_TRUE(
            eventually([&] { return !(window = desk.windowNamed("Проверочное")).empty(); }));
        std::optional<velmor::test::Geometry> icon;
        ASSERT_TRUE(eventually([&] { return (icon = desk.trayIcon()).has_value(); }))
            << "no icon in the panel";
        EXPECT_TRUE(eventually([&] { return !desk.viewable(window); }));

        // Its menu's first item shows it. The panel may lay its icons out again after one comes,
        // so each attempt aims where the icon is now, and the keys wait for the menu to open.
        const auto menuOpen = [&] {  // a window of the program's own on top of the screen
            std::istringstream lines(desk.x({"xwininfo", "-root", "-children"}).out);
            for (std::string line; std::getline(lines, line);) {
                std::smatch m;
                if (std::regex_search(line, m, std::regex(R"re((0x[0-9a-f]+) .*\("velmor" )re")) &&
                    desk.viewable(m[1]))
                    return true;
            }
            return false;
        };
        bool shown = false;
        for (int attempt = 1; attempt <= 3 && !shown; ++attempt) {
            ASSERT_TRUE(eventually([&] { return (icon = desk.trayIcon()).has_value(); }));
            desk.x({"xdotool", "mousemove", std::to_string(icon->x + icon->w / 2),
                    std::to_string(icon->y + icon->h / 2), "click", "3"});
            if (!eventually(menuOpen, 3000)) continue;
            desk.x({"xdotool", "key", "Down", "Return"});
            shown = eventually([&] { return desk.viewable(window); }, 3000);
            if (!shown) desk.x({"xdotool", "key", "Escape"});
        }
        EXPECT_TRUE(shown) << desk.x({"xwininfo", "-root", "-tree"}).out;

        // The user hangs up (the dial hot key): the program is ended and its icon goes.
        desk.x({"xdotool", "key", "F10"});
        EXPECT_TRUE(eventually([&] { return ::kill(pid, 0) != 0; }));
        EXPECT_TRUE(eventually([&] { return !desk.trayIcon().has_value(); }));
        if (::kill(pid, 0) == 0) ::kill(pid, SIGKILL);

        velmor.signal(SIGTERM);
        velmor.wait();
        panel.signal(SIGTERM);
        panel.wait();
        wm.signal(SIGTERM);
        wm.wait();
    }
    fs::remove_all(dir);
}
