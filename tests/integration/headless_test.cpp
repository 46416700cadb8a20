#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/cipher.h"
#include "platform/codepage.h"
#include "platform/machine.h"
#include "platform/profile.h"
#include "support/process.h"

using velmor::test::ChildProcess;
using velmor::test::ProcessResult;
namespace fs = std::filesystem;

namespace {

class Headless : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-headless-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        std::ofstream(dir_ + "/password") << "секрет\n";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<std::string> env() const {
        // No session bus: the address names a socket nobody listens on.
        return {"VELMOR_HOME=" + dir_, "VELMOR_PHONEBOOK=" + dir_ + "/phonebook.ini",
                "XDG_RUNTIME_DIR=" + dir_, "LC_ALL=ru_RU.UTF-8",
                "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir_ + "/no-bus"};
    }
    std::string ini() const { return dir_ + "/Velmor.ini"; }
    std::string raw(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    ProcessResult run(const std::vector<std::string>& args) const {
        return velmor::test::runProcess(velmor::test::binary("velmor"), args, env(), 10000);
    }

    std::string dir_;
};

}  // namespace

TEST_F(Headless, StartsLogsToStdoutAndSavesOnSigterm) {
    ChildProcess p(velmor::test::binary("velmor"),
                   {"--headless", "--password-file", dir_ + "/password"}, env());
    ASSERT_TRUE(p.started());
    ASSERT_TRUE(p.waitForOutput("Жду Ваших приказаний")) << p.out() << p.err();
    EXPECT_EQ(p.out().substr(0, 1), "\n");  // the empty line first
    EXPECT_NE(p.out().find(" --- Запуск Velmor 0.97\n"), std::string::npos);
    EXPECT_NE(p.err().find("Не задан пароль для работы с программой."), std::string::npos);

    // A second start while this one runs ends at once, silently.
    const ProcessResult second = run({"--headless"});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(second.err, "");

    p.signal(SIGTERM);
    const ProcessResult r = p.wait();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(" --- Завершение работы программы\n"), std::string::npos);
    // The log file has the same lines, in Windows-1251 with CR LF.
    const std::string log = velmor::cp1251ToUtf8(raw(dir_ + "/Velmor.log"));
    EXPECT_EQ(log.substr(0, 2), "\r\n");
    EXPECT_NE(log.find(" --- Завершение работы программы\r\n"), std::string::npos);
    // Settings saved: the password under this computer's key, the demo entry's lists.
    struct stat st {};
    ASSERT_EQ(::stat(ini().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    velmor::Profile f(ini());
    EXPECT_EQ(velmor::decipherText(velmor::machineBinding("").machineKey,
                                   f.readString("Brontavel", "LockPass", "")),
              "секрет");
    EXPECT_EQ(f.readString("RAS_Entry_Демо-провайдер", "Phone_0", ""), "555-0101");

    // The next start needs no password and stops on SIGINT the same way.
    ChildProcess again(velmor::test::binary("velmor"), {"--headless"}, env());
    ASSERT_TRUE(again.waitForOutput("Жду Ваших приказаний")) << again.err();
    again.signal(SIGINT);
    EXPECT_EQ(again.wait().status, 0);
    // Nothing said but the state line and, once, that without a session bus nothing else can
    // drive it.
    const std::string& err = again.err();
    EXPECT_NE(err.find("Состояние: Жду Ваших приказаний\n"), std::string::npos) << err;
    EXPECT_NE(err.find("Управлять программой через velmorctl нельзя: сеансовой шины D-Bus нет ("),
              std::string::npos)
        << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
}

TEST_F(Headless, RefusalsExitWithStatus2AndTouchNothing) {
    // No stored password and nobody to ask.
    ProcessResult r = run({"--headless"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Не задан пароль для работы с программой."), std::string::npos);
    EXPECT_FALSE(fs::exists(ini()));  // no settings file that it did not fill

    // A password that breaks the set-password rules.
    std::ofstream(dir_ + "/short") << "x\n";
    r = run({"--headless", "--password-file", dir_ + "/short"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Пароль не может быть короче двух символов"), std::string::npos);
    EXPECT_FALSE(fs::exists(ini()));
    // So the next start with a good password is a first start, not a damaged file.
    r = run({"--headless", "--password-file", dir_ + "/password", "--entry", "Нет такого"});
    EXPECT_EQ(r.err.find("Файл настроек поврежден."), std::string::npos) << r.err;

    // A damaged file: "Ignore" leaves it as it is.
    std::ofstream(ini(), std::ios::trunc | std::ios::binary) << "[Brontavel]\r\nLockPass=abc\r\n";
    const std::string before = raw(ini());
    r = run({"--headless", "--password-file", dir_ + "/password"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Файл настроек поврежден."), std::string::npos);
    EXPECT_EQ(raw(ini()), before);
    EXPECT_FALSE(fs::exists(ini() + ".bak"));

    fs::remove(ini());
    r = run({"--headless", "--entry", "Нет такого"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("Нет такого"), std::string::npos);

    // A lock file that cannot be opened is said and ends with status 1, never silently.
    fs::remove(dir_ + "/velmor.lock");
    fs::create_directory(dir_ + "/velmor.lock");
    r = run({"--headless", "--password-file", dir_ + "/password"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(dir_ + "/velmor.lock"), std::string::npos) << r.err;
    fs::remove(dir_ + "/velmor.lock");

    r = run({"--headless", "--frobnicate"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos);
}

TEST_F(Headless, DialsTheNamedEntryOnceThroughRefusalLossAndRedial) {
    std::ofstream(dir_ + "/phonebook.ini")
        << "[Альфа]\nDevice=sim\nPhoneNumber=555\nUserName=a\nPassword=b\n"
           "[Бета]\nDevice=sim\nSimStepMs=20\nPhoneNumber=111\nAlternatePhoneNumbers=222\n"
           "UserName=u\nPassword=p\nSimBusy=111\nSimRefuseLogins=1\nSimDropAfter=2\n";
    {
        ChildProcess first(velmor::test::binary("velmor"),
                           {"--headless", "--password-file", dir_ + "/password"}, env());
        ASSERT_TRUE(first.waitForOutput("Жду Ваших приказаний")) << first.err();
        first.signal(SIGTERM);
        ASSERT_EQ(first.wait().status, 0);
    }
    {
        velmor::Profile f(ini());
        for (const char* key : {"DialAtStartup", "AutoReDial"})
            f.writeString("Brontavel", key, "Y");
        f.writeString("Brontavel", "RedialPause", "1");
    }
    // The start-up dial and --dial together: the named entry is dialled, once.
    ChildProcess p(velmor::test::binary("velmor"), {"--headless", "--entry", "Бета", "--dial"},
                   env());
    ASSERT_TRUE(p.waitForOutput("Соединениние было разорвано. Время на линии: ", 20000))
        << p.out() << p.err();
    const std::string accepted =
        " --- Соединение установлено. Скорость 33,6 Кбит/с, IP 10.64.0.2\n";
    const auto second = [&] { return p.out().find(accepted, p.out().find(accepted) + 1); };
    for (int i = 0; i < 100 && second() == std::string::npos; ++i)
        p.waitForOutput("\x01", 100);
    ASSERT_NE(second(), std::string::npos) << p.out();
    p.signal(SIGTERM);
    const ProcessResult r = p.wait();
    EXPECT_EQ(r.status, 0);
    std::size_t at = 0;
    for (const std::string line :
         {" --- Инициализация соединения\n", " --- Звоним по номеру 111\n",
          " --- Звоним по номеру 222\n", " --- Доступ запрещен\n", " --- Звоним по номеру 222\n",
          accepted.c_str(), " --- Соединениние было разорвано. Время на линии: 0.00:00:0",
          " --- Звоним по номеру 222\n", accepted.c_str()}) {
        const auto found = r.out.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << "\n" << r.out;
        at = found + line.size();
    }
    EXPECT_EQ(r.out.find("Инициализация соединения"), r.out.rfind("Инициализация соединения"));
    EXPECT_EQ(r.out.find("прерван пользователем"), std::string::npos);
    EXPECT_EQ(r.out.find("555"), std::string::npos);
}
