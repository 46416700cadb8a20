// The program in a Wayland session, on a real compositor (sway, headless): a native Wayland
// client under its application id that dials the demo entry and closes cleanly, and idles without
// a wake-up until a StatusNotifier host comes, which gets its tray icon.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "support/private_bus.h"
#include "support/wayland_desktop.h"
#include "support/x_desktop.h"

using velmor::test::ChildProcess;
using velmor::test::OwnSway;
using velmor::test::PrivateBus;
namespace fs = std::filesystem;

namespace {

class Wayland : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* tool : {"sway", "swaymsg", "grim", "setpriv", "dbus-daemon"}) {
            if (!velmor::test::onPath(tool)) {
                std::printf("skipped: %s is not installed (scripts/setup.sh installs it)\n", tool);
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        char tmpl[] = "/tmp/velmor-wayland-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        sway = std::make_unique<OwnSway>(dir);
        if (!sway->started()) {
            std::printf("skipped: sway could not start a headless compositor here: %s\n",
                        sway->err().c_str());
            GTEST_SKIP() << "sway did not start";
        }
        bus = std::make_unique<PrivateBus>(dir);
        ASSERT_FALSE(bus->address().empty()) << "dbus-daemon did not start";
        env = sway->clientEnvironment();
        env.insert(env.end(), {"VELMOR_HOME=" + dir, "VELMOR_PHONEBOOK=" + dir + "/phonebook.ini",
                               "LC_ALL=ru_RU.UTF-8", bus->sessionEnv()});
        // In a sanitizer build: Qt's Wayland plugin, Mesa and Qt's own tray icon leave
        // allocations at exit, which would fail a clean end (the program's own code is checked
        // for leaks by the other tests).
        const char* asan = std::getenv("ASAN_OPTIONS");
        env.push_back(std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":detect_leaks=0");
        ASSERT_TRUE(velmor::test::storeProgramPassword(dir, env));
    }
    void TearDown() override {
        bus.reset();
        sway.reset();
        if (!dir.empty()) fs::remove_all(dir);
    }

    // The program's main window: a Wayland client (xdg-shell, not XWayland) under the program's
    // application id.
    std::string mainWindow(int pid) const {
        return "[app_id=\"invalid.velmor.velmor\" shell=\"xdg_shell\" pid=" + std::to_string(pid) +
               " title=\"^Velmor 0.97$\"]";
    }
    std::string log() const {
        std::ifstream in(dir + "/Velmor.log", std::ios::binary);
        return velmor::cp1251ToUtf8(std::string(std::istreambuf_iterator<char>(in), {}));
    }

    std::string dir;
    std::unique_ptr<OwnSway> sway;
    std::unique_ptr<PrivateBus> bus;
    std::vector<std::string> env;
};

TEST_F(Wayland, ProgramIsANativeClientThatDialsTheDemoEntryAndClosesCleanly) {
    ChildProcess program(velmor::test::binary("velmor"), {"--dial"}, env);
    const std::string window = mainWindow(program.pid());
    ASSERT_TRUE(velmor::test::eventually(
        [&] { return log().find("Соединение установлено") != std::string::npos; }, 60000))
        << log() << program.err();
    ASSERT_TRUE(sway->has(window)) << program.err() << sway->msg({"-t", "get_tree"}).out;
    EXPECT_TRUE(sway->screenshot(dir + "/wayland.png"));
    EXPECT_GT(fs::file_size(dir + "/wayland.png"), 1000u);
    if (const char* keep = std::getenv("VELMOR_SCREENSHOT_DIR"))
        fs::copy_file(dir + "/wayland.png", std::string(keep) + "/wayland.png",
                      fs::copy_options::overwrite_existing);
    // Closed while connected, it asks; its dialog closed by the compositor as well, the program
    // ends and leaves the connection up.
    sway->msg({window + " kill"});
    const std::string question =
        "[pid=" + std::to_string(program.pid()) + " title=\"^Velmor - выход из программы$\"]";
    ASSERT_TRUE(velmor::test::eventually([&] { return sway->has(question); }))
        << sway->msg({"-t", "get_tree"}).out;
    sway->msg({question + " kill"});
    EXPECT_EQ(program.wait().status, 0) << program.err();
    const std::string text = log();
    EXPECT_EQ(text.find("Соединениние было разорвано"), std::string::npos) << text;
    EXPECT_NE(text.find("Завершение работы программы"), std::string::npos);
}

TEST_F(Wayland, IdlesWithoutWakingAndATrayHostThatComesLaterGetsTheIcon) {
    {
        velmor::Profile settings(dir + "/Velmor.ini");
        settings.writeString("Brontavel", "Mode", "BOTH");
    }
    // A StatusNotifier watcher with a host, told of each icon (python3-dbusmock's log).
    std::ofstream(dir + "/watcher.py")
        << "import dbus\nBUS_NAME = MAIN_IFACE = 'org.kde.StatusNotifierWatcher'\n"
           "MAIN_OBJ = '/StatusNotifierWatcher'\nSYSTEM_BUS = False\n"
           "def load(mock, parameters):\n"
           "    mock.AddMethods(MAIN_IFACE, [('RegisterStatusNotifierItem', 's', '', ''),\n"
           "                                 ('RegisterStatusNotifierHost', 's', '', '')])\n"
           "    mock.AddProperties(MAIN_IFACE, {'IsStatusNotifierHostRegistered': True,\n"
           "        'ProtocolVersion': dbus.Int32(0),\n"
           "        'RegisteredStatusNotifierItems': dbus.Array([], signature='s')})\n";
    const auto watcher = [&] {
        return std::make_unique<ChildProcess>(
            "/usr/bin/python3",
            std::vector<std::string>{"-m", "dbusmock", "--template", dir + "/watcher.py"},
            std::vector<std::string>{bus->sessionEnv()});
    };
    if (velmor::test::runProcess("/usr/bin/python3", {"-c", "import dbusmock"}).status != 0)
        GTEST_SKIP() << "python3-dbusmock is not installed";

    ChildProcess program(velmor::test::binary("velmor"), {}, env);
    ASSERT_TRUE(velmor::test::eventually([&] { return sway->has(mainWindow(program.pid())); }))
        << program.err();
    // Idle and without a host, no thread of the program wakes: nothing polls, the bus tells it
    // when a host comes.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(velmor::test::wakeUpsOver(program.pid(), 3000), 0) << "wake-ups in 3 s";
    auto host = watcher();
    EXPECT_TRUE(host->waitForOutput("RegisterStatusNotifierItem", 10000))
        << host->out() << host->err() << program.err();
    // The host goes and another comes: the icon goes into the new one.
    host->signal(SIGTERM);
    host->wait();
    host = watcher();
    EXPECT_TRUE(host->waitForOutput("RegisterStatusNotifierItem", 10000)) << program.err();
    EXPECT_TRUE(sway->has(mainWindow(program.pid())));
    program.signal(SIGKILL);
    program.wait();
}

}  // namespace
