// The headless program connected on the simulated line while a stand-in logind (python3-dbusmock's
// template, on a private system bus) announces a sleep and a wake.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/profile.h"
#include "support/files.h"
#include "support/first_start.h"
#include "support/private_bus.h"
#include "support/process.h"

using velmor::test::ChildProcess;
using velmor::test::ProcessResult;
using namespace std::chrono_literals;

using velmor::test::occurrences;

namespace {

constexpr const char* kPython = "/usr/bin/python3";

// Asks the stand-in logind: "list" prints the inhibitors ("what who mode" a line), "sleep" and
// "wake" send PrepareForSleep(true) and (false).
constexpr const char* kLogind = R"(
import dbus, sys
bus = dbus.bus.BusConnection(sys.argv[1])
logind = bus.get_object('org.freedesktop.login1', '/org/freedesktop/login1')
if sys.argv[2] == 'list':
    for i in logind.ListInhibitors(dbus_interface='org.freedesktop.login1.Manager'):
        print(i[0], i[1], i[3])
else:
    logind.EmitSignal('org.freedesktop.login1.Manager', 'PrepareForSleep', 'b',
                      [sys.argv[2] == 'sleep'], dbus_interface='org.freedesktop.DBus.Mock')
)";

}  // namespace

TEST(LogindSleep, LineIsTakenDownBeforeTheSleepAndRedialledAfterTheWake) {
    if (velmor::test::runProcess(kPython, {"-c", "import dbusmock"}).status != 0) {
        GTEST_SKIP() << "no python3-dbusmock for a stand-in logind";
    }
    char tmpl[] = "/tmp/velmor-sleep-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    velmor::test::PrivateBus bus(dir, velmor::test::PrivateBus::Kind::System);
    if (bus.address().empty()) GTEST_SKIP() << "no dbus-daemon for a private system bus";
    ChildProcess logind(kPython, {"-m", "dbusmock", "--template", "logind"}, {bus.systemEnv()});
    const auto ask = [&](const std::string& what) {
        return velmor::test::runProcess(kPython, {"-c", kLogind, bus.address(), what});
    };
    for (int i = 0; i < 100 && ask("list").status != 0; ++i)
        std::this_thread::sleep_for(50ms);
    ASSERT_EQ(ask("list").status, 0) << ask("list").err;
    const auto lockHeld = [&](bool held) {
        for (int i = 0; i < 100; ++i) {
            const ProcessResult r = ask("list");
            if ((r.out.find("sleep Velmor delay") != std::string::npos) == held) return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    };

    std::ofstream(dir + "/phonebook.ini", std::ios::binary)
        << "[Демо]\r\nDevice=sim\r\nPhoneNumber=1\r\nUserName=u\r\nPassword=p\r\nSimStepMs=50\r\n";
    const std::vector<std::string> env = {
        "VELMOR_HOME=" + dir, "VELMOR_PHONEBOOK=" + dir + "/phonebook.ini",
        "XDG_RUNTIME_DIR=" + dir, "LC_ALL=ru_RU.UTF-8", bus.systemEnv()};
    ASSERT_NO_FATAL_FAILURE(
        velmor::test::firstHeadlessStart(env, dir, {{"RedialPause", "1"}, {"AutoReDial", "Y"}}));

    ChildProcess p(velmor::test::binary("velmor"), {"--headless", "--dial"}, env);
    ASSERT_TRUE(p.waitForOutput("Соединение установлено", 20000)) << p.out() << p.err();
    EXPECT_TRUE(lockHeld(true)) << ask("list").out;

    ASSERT_EQ(ask("sleep").status, 0);
    ASSERT_TRUE(p.waitForOutput("Соединение было разорвано перед переходом в спящий режим"))
        << p.out() << p.err();
    EXPECT_TRUE(lockHeld(false)) << ask("list").out;

    ASSERT_EQ(ask("wake").status, 0);
    for (int i = 0; i < 100 && occurrences(p.out(), "Соединение установлено") < 2; ++i)
        p.waitForOutput("\x01", 150);  // reads on for 150 ms
    EXPECT_EQ(occurrences(p.out(), "Соединение установлено"), 2u) << p.out();
    EXPECT_EQ(occurrences(p.out(), "Инициализация соединения"), 2u);
    EXPECT_TRUE(lockHeld(true));

    p.signal(SIGTERM);
    EXPECT_EQ(p.wait(15000).status, 0);
    EXPECT_TRUE(lockHeld(false));
    std::filesystem::remove_all(dir);
}
