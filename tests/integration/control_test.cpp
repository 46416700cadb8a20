// The running program on a session bus of the test's own, driven by velmorctl and by gdbus.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/machine.h"
#include "platform/profile.h"
#include "support/private_bus.h"
#include "support/x_desktop.h"

using velmor::test::ChildProcess;
using velmor::test::eventually;
using velmor::test::ProcessResult;
using velmor::test::runProcess;
namespace fs = std::filesystem;

namespace {

constexpr const char* kName = "invalid.velmor.velmor";
constexpr const char* kPath = "/invalid/velmor/velmor";

class Control : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* tool : {"dbus-daemon", "dbus-monitor", "gdbus"}) {
            if (!velmor::test::onPath(tool)) {
                std::printf("skipped: %s is not installed (scripts/setup.sh installs it)\n", tool);
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        char tmpl[] = "/tmp/velmor-control-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        bus_ = std::make_unique<velmor::test::PrivateBus>(dir_);
        ASSERT_FALSE(bus_->address().empty()) << "dbus-daemon did not start";
        // A busy first number and a refused first login: dialling, pauses, then connected. The
        // login and password are the secrets nothing on the bus may show.
        std::ofstream(dir_ + "/phonebook.ini")
            << "[Тест]\nDevice=sim\nSimStepMs=50\nPhoneNumber=111\nAlternatePhoneNumbers=222\n"
               "UserName=тайный-логин\nPassword=тайный-пароль\nSimBusy=111\nSimRefuseLogins=1\n"
               "[Юг]\nDevice=sim\nPhoneNumber=777\nUserName=u\nPassword=p\n";
        std::ofstream(dir_ + "/password") << "пароль\n";
        ChildProcess first(velmor::test::binary("velmor"),
                           {"--headless", "--password-file", dir_ + "/password"}, env());
        ASSERT_TRUE(first.waitForOutput("Жду Ваших приказаний")) << first.err();
        first.signal(SIGTERM);
        ASSERT_EQ(first.wait().status, 0);
        velmor::Profile(dir_ + "/Velmor.ini").writeString("Brontavel", "RedialPause", "1");
    }
    void TearDown() override {
        bus_.reset();
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    std::vector<std::string> env(const std::string& locale = "ru_RU.UTF-8") const {
        return {"VELMOR_HOME=" + dir_, "VELMOR_PHONEBOOK=" + dir_ + "/phonebook.ini",
                "XDG_RUNTIME_DIR=" + dir_, "LC_ALL=" + locale, bus_->sessionEnv()};
    }
    void unlock() {
        velmor::Profile(dir_ + "/Velmor.ini")
            .writeString("Brontavel", "LockCode", velmor::machineBinding("").machineCode);
    }
    // The headless program, once its name is on the bus.
    std::unique_ptr<ChildProcess> start() {
        auto p = std::make_unique<ChildProcess>(velmor::test::binary("velmor"),
                                                std::vector<std::string>{"--headless"}, env());
        EXPECT_TRUE(eventually([&] { return ctl({"status"}).status == 0; })) << p->err();
        return p;
    }
    ProcessResult ctl(const std::vector<std::string>& args,
                      const std::string& locale = "ru_RU.UTF-8") const {
        return runProcess(velmor::test::binary("velmorctl"), args, env(locale));
    }
    ProcessResult gdbus(const std::string& method, const std::vector<std::string>& args = {}) {
        std::vector<std::string> a = {"gdbus",    "call", "--address",     bus_->address(),
                                      "--dest",   kName,  "--object-path", kPath,
                                      "--method", method};
        a.insert(a.end(), args.begin(), args.end());
        return runProcess("/usr/bin/env", a, env());
    }
    std::string property(const std::string& name) {
        return gdbus("org.freedesktop.DBus.Properties.Get", {"invalid.velmor.velmor.Control", name})
            .out;
    }

    std::string dir_;
    std::unique_ptr<velmor::test::PrivateBus> bus_;
};

}  // namespace

TEST_F(Control, VelmorctlWatchesAndDrivesTheHeadlessProgram) {
    unlock();
    EXPECT_EQ(ctl({"status"}).status, 3);  // nothing runs yet
    auto p = start();
    // Idle with the service up, the program still never wakes.
    EXPECT_EQ(velmor::test::wakeUpsOver(p->pid(), 2000), 0);
    ProcessResult r = ctl({"status"});
    EXPECT_NE(r.out.find("Состояние: нет соединения\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Соединение: Тест\n"), std::string::npos);
    EXPECT_NE(r.out.find("Строка состояния: Жду Ваших приказаний\n"), std::string::npos);
    r = ctl({"status", "--json"});
    EXPECT_EQ(r.out.rfind("{\"State\":\"idle\",\"Locked\":false,\"Entry\":\"Тест\",", 0), 0u)
        << r.out;
    // A terminal without Cyrillic gets the nearest letters; JSON stays UTF-8.
    r = ctl({"status"}, "C");
    EXPECT_NE(r.out.find(": Test\n"), std::string::npos) << r.out;
    EXPECT_NE(ctl({"status", "--json"}, "C").out.find("\"Entry\":\"Тест\""), std::string::npos);

    ChildProcess watch(velmor::test::binary("velmorctl"), {"watch"}, env());
    ASSERT_TRUE(watch.waitForOutput("нет соединения: Жду Ваших приказаний\n"));
    EXPECT_EQ(ctl({"dial"}).status, 0);
    r = ctl({"dial"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "velmorctl: Соединение уже устанавливается или установлено\n");
    ASSERT_TRUE(watch.waitForOutput(" соединение установлено: ", 20000)) << watch.out();
    std::size_t at = 0;
    for (const char* line : {" дозвон: Инициализация соединения\n",
                             " дозвон: Звоним по номеру 111\n", " пауза перед повторным звонком: ",
                             " дозвон: Звоним по номеру 222\n", " соединение установлено: "}) {
        at = watch.out().find(line, at);
        ASSERT_NE(at, std::string::npos) << line << "\n" << watch.out();
    }
    ASSERT_TRUE(watch.waitForOutput("(на линии 0.00:00:02, "));  // the counters, each second
    EXPECT_EQ(ctl({"next"}).status, 1);
    r = ctl({"status"});
    EXPECT_NE(r.out.find("Телефон: 222\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Скорость: 33,6 Кбит/с\nIP: 10.64.0.2, сервер 10.64.0.1\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(ctl({"hangup"}).status, 0);
    ASSERT_TRUE(watch.waitForOutput(" нет соединения: Жду Ваших приказаний\n", 5000));
    EXPECT_EQ(ctl({"hangup"}).status, 1);
    r = ctl({"status"});
    EXPECT_NE(r.out.find("Состояние: нет соединения\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Время на линии: 0.00:00:0"), std::string::npos);
    EXPECT_EQ(r.out.find("Время на линии: 0.00:00:00"), std::string::npos);  // the last session
    EXPECT_NE(r.out.find("Попыток: 3\n"), std::string::npos);
    EXPECT_EQ(r.out.find("тайный"), std::string::npos);

    p->signal(SIGTERM);
    EXPECT_EQ(p->wait().status, 0);
    const ProcessResult ended = watch.wait(5000);
    EXPECT_EQ(ended.status, 3);
    EXPECT_EQ(ended.err, "velmorctl: Velmor завершил работу\n");
    r = ctl({"status"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.err, "velmorctl: Velmor не запущен\n");
}

TEST_F(Control, BusClientsCallEveryMethodSeeTheChangesAndALockedProgramRefuses) {
    {
        auto locked = start();  // no lock code of this computer stored: locked
        EXPECT_NE(property("Locked").find("true"), std::string::npos);
        for (const char* method : {"Dial", "HangUp", "Next", "Redial"}) {
            const ProcessResult r = gdbus(std::string("invalid.velmor.velmor.Control.") + method);
            EXPECT_NE(r.status, 0);
            EXPECT_NE(r.err.find("invalid.velmor.velmor.Error.Locked: Программа заблокирована"),
                      std::string::npos)
                << method << ": " << r.err;
        }
        EXPECT_NE(gdbus("invalid.velmor.velmor.Control.SelectEntry", {"Юг"}).err.find(".Locked"),
                  std::string::npos);
        EXPECT_NE(gdbus("org.freedesktop.Application.ActivateAction", {"connect", "[]", "{}"})
                      .err.find(".Locked"),
                  std::string::npos);
        const ProcessResult r = ctl({"dial"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("заблокирована"), std::string::npos);
        EXPECT_EQ(gdbus("invalid.velmor.velmor.Control.Show").out, "()\n");
        EXPECT_NE(property("State").find("'idle'"), std::string::npos);
        const std::string all =
            gdbus("org.freedesktop.DBus.Properties.GetAll", {"invalid.velmor.velmor.Control"}).out;
        EXPECT_NE(all.find("'Entry': <'Тест'>"), std::string::npos) << all;
        EXPECT_EQ(all.find("тайный"), std::string::npos) << all;
        locked->signal(SIGTERM);
        EXPECT_EQ(locked->wait().status, 0);
    }

    unlock();
    auto p = start();
    ChildProcess monitor(
        "/usr/bin/env",
        {"gdbus", "monitor", "--address", bus_->address(), "--dest", kName, "--object-path", kPath},
        env());
    ASSERT_TRUE(monitor.waitForOutput("Monitoring signals"));
    EXPECT_EQ(gdbus("invalid.velmor.velmor.Control.SelectEntry", {"Юг"}).out, "()\n");
    EXPECT_NE(property("Entry").find("'Юг'"), std::string::npos);
    EXPECT_NE(gdbus("invalid.velmor.velmor.Control.SelectEntry", {"Нет"}).err.find(".NoSuchEntry"),
              std::string::npos);
    EXPECT_EQ(gdbus("invalid.velmor.velmor.Control.SelectEntry", {"Тест"}).out, "()\n");
    EXPECT_NE(gdbus("invalid.velmor.velmor.Control.HangUp").err.find(".NotActive"),
              std::string::npos);
    EXPECT_EQ(gdbus("org.freedesktop.Application.ActivateAction", {"connect", "[]", "{}"}).out,
              "()\n");
    EXPECT_NE(gdbus("invalid.velmor.velmor.Control.Dial").err.find(".NotIdle"), std::string::npos);
    EXPECT_EQ(gdbus("invalid.velmor.velmor.Control.Next").out, "()\n");  // "Следуюший"
    ASSERT_TRUE(monitor.waitForOutput("'State': <'connected'>", 20000)) << monitor.out();
    EXPECT_NE(monitor.out().find("{'Entry': <'Юг'>"), std::string::npos) << monitor.out();
    EXPECT_NE(monitor.out().find("'State': <'pausing'>"), std::string::npos);
    EXPECT_NE(property("RemoteAddress").find("'10.64.0.1'"), std::string::npos);
    EXPECT_EQ(gdbus("invalid.velmor.velmor.Control.Redial").out, "()\n");  // "Перезвонить"
    ASSERT_TRUE(
        eventually([&] { return property("State").find("'connected'") != std::string::npos; }));
    EXPECT_EQ(gdbus("org.freedesktop.Application.ActivateAction", {"disconnect", "[]", "{}"}).out,
              "()\n");
    EXPECT_NE(property("State").find("'idle'"), std::string::npos);
    EXPECT_EQ(monitor.out().find("тайный"), std::string::npos);

    // A second start asks the running program to show itself and ends at once; with --dial it
    // has it dial.
    ChildProcess calls(
        "/usr/bin/env",
        {"dbus-monitor", "--address", bus_->address(), "interface='org.freedesktop.Application'"},
        env());
    ASSERT_TRUE(eventually([&] {
        calls.waitForOutput("NameLost", 100);
        return calls.out().find("NameLost") != std::string::npos;
    }));
    ProcessResult second = runProcess(velmor::test::binary("velmor"), {"--headless"}, env(), 5000);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out + second.err, "");
    EXPECT_TRUE(calls.waitForOutput("member=Activate\n", 2000)) << calls.out();
    second = runProcess(velmor::test::binary("velmor"), {"--headless", "--dial"}, env(), 5000);
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(calls.waitForOutput("member=ActivateAction\n", 2000));
    EXPECT_TRUE(eventually([&] { return property("State").find("'idle'") == std::string::npos; }));
    p->signal(SIGTERM);
    EXPECT_EQ(p->wait().status, 0);
}

TEST_F(Control, AnotherUserOfTheMachineIsRefusedByTheSessionBus) {
    if (::geteuid() != 0) {
        std::printf("skipped: connecting as another user needs root\n");
        GTEST_SKIP() << "not root";
    }
    unlock();
    auto p = start();
    // The socket is open to everyone: what refuses is the bus, which admits only its own user.
    ::chmod(dir_.c_str(), 0755);
    ::chmod((dir_ + "/session-bus.socket").c_str(), 0777);
    const ProcessResult other =
        runProcess("/usr/bin/setpriv",
                   {"--reuid=65534", "--regid=65534", "--clear-groups", "gdbus", "call",
                    "--address", bus_->address(), "--dest", kName, "--object-path", kPath,
                    "--method", "invalid.velmor.velmor.Control.Dial"},
                   {"LC_ALL=C", bus_->sessionEnv()});
    EXPECT_NE(other.status, 0);
    // Connected, then shut out while it said who it is: not a file it may not open.
    EXPECT_NE(other.err.find("Error connecting: The connection is closed"), std::string::npos)
        << other.err;
    EXPECT_NE(property("State").find("'idle'"), std::string::npos);
    EXPECT_NE(property("Attempts").find("<uint32 0>"), std::string::npos);
    p->signal(SIGTERM);
    p->wait();
}

TEST_F(Control, ASecondStartBringsTheMinimizedWindowBack) {
    for (const char* tool : {"Xvfb", "openbox", "xwininfo", "xprop", "xdotool"}) {
        if (!velmor::test::onPath(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    velmor::test::OwnXServer x(dir_);
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    const velmor::test::TrayDesktop desk(x.display());
    // Minimized right after the start.
    velmor::Profile(dir_ + "/Velmor.ini").writeString("Brontavel", "HideOnRun", "Y");
    auto env = velmor::test::programEnvironment(dir_, x.display());
    env.push_back(bus_->sessionEnv());
    ChildProcess wm("/usr/bin/env", {"openbox"}, env);
    ASSERT_TRUE(eventually([&] {
        return desk.x({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") !=
               std::string::npos;
    }));
    ChildProcess window(velmor::test::binary("velmor"), {}, env);
    std::string id;
    ASSERT_TRUE(eventually([&] {
        id = desk.windowNamed("^Velmor 0.97$");
        return !id.empty() && ctl({"status"}).status == 0;
    })) << window.err();
    ASSERT_TRUE(eventually([&] { return !desk.viewable(id); }));
    // Idle and minimized with the service up, once the start is over nothing wakes.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(velmor::test::wakeUpsOver(window.pid(), 2000), 0);

    const ProcessResult second = runProcess(velmor::test::binary("velmor"), {}, env, 5000);
    EXPECT_EQ(second.status, 0);
    EXPECT_TRUE(eventually([&] { return desk.viewable(id); }, 5000)) << window.err();
    window.signal(SIGKILL);
    window.wait();
    wm.signal(SIGTERM);
    wm.wait();
}
