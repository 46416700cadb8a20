// The whole program dialling a serial modem on the real event loop: the modem emulator on a
// pseudo-terminal, a stand-in pppd, velmor --headless --dial.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "support/files.h"
#include "support/first_start.h"
#include "support/modem_emulator.h"
#include "support/process.h"
#include "support/stand_in_pppd.h"

using velmor::test::ChildProcess;
using velmor::test::ModemEmulator;
using velmor::test::occurrences;
using velmor::test::StandInPppd;
namespace fs = std::filesystem;

TEST(ModemDial, BusyNextPhoneRefusedNextLoginConnectedLostRedialledAndEndedBySigterm) {
    char tmpl[] = "/tmp/velmor-modem-dial-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    StandInPppd pppd(dir + "/pppd");
    ModemEmulator::Options o;
    o.dialResults = {"BUSY", "CONNECT 115200"};
    // A call takes its time, and so does each step of the link: the window handles each state
    // before the next comes.
    o.dialDelayMs = 300;
    ModemEmulator modem(o);
    ASSERT_TRUE(modem.ready());
    const std::string login = "абонент 7", password = "па роль\"\\";
    std::ofstream(dir + "/phonebook.ini", std::ios::binary)
        << "[Модем]\r\nDevice=" << modem.port()
        << "\r\nPhoneNumber=5550101\r\nAlternatePhoneNumbers=5550102\r\nUserName=" << login
        << "\r\nPassword=" << password << "\r\nDialTimeout=5\r\n";
    pppd.scenario(StandInPppd::refused(), 1);
    // The second line drops after a while; the third stays.
    std::string dropping = StandInPppd::connected();
    dropping.replace(dropping.rfind("wait"), 4, "sleep 2\nexit 16");
    pppd.scenario(dropping, 2);
    pppd.scenario(StandInPppd::connected(), 3);

    std::vector<std::string> env = pppd.environment();
    for (const std::string& e : {"VELMOR_HOME=" + dir, "VELMOR_PHONEBOOK=" + dir + "/phonebook.ini",
                                 "XDG_RUNTIME_DIR=" + dir, std::string("LC_ALL=ru_RU.UTF-8")})
        env.push_back(e);
    ASSERT_NO_FATAL_FAILURE(
        velmor::test::firstHeadlessStart(env, dir, {{"RedialPause", "1"}, {"AutoReDial", "Y"}}));

    ChildProcess p(velmor::test::binary("velmor"), {"--headless", "--dial"}, env);
    ASSERT_TRUE(
        p.waitForOutput("Соединение установлено. Скорость 115,2 Кбит/с, IP 10.1.2.3", 30000))
        << p.out() << p.err() << [&] {
               std::string c;
               for (const auto& s : modem.commands())
                   c += s + "\n";
               return c;
           }();
    const std::string out = p.out();
    // Busy on the first number: the next one; the login refused there: the next login, same
    // phone (the only login comes round again).
    const auto at = [&](const std::string& s) { return out.find(s); };
    EXPECT_LT(at("Звоним по номеру 5550101"), at("Звоним по номеру 5550102"));
    EXPECT_LT(at("Звоним по номеру 5550102"), at("Доступ запрещен"));
    EXPECT_EQ(occurrences(out, "Звоним по номеру 5550102"), 2u) << out;
    // Each failure with its reason on standard error, as the state lines show it.
    EXPECT_NE(p.err().find("Прошлая попытка: Линия занята. Модем ответил BUSY на «ATDp5550101»."),
              std::string::npos)
        << p.err();
    EXPECT_NE(p.err().find("Прошлая попытка: Доступ запрещен\n"), std::string::npos);
    EXPECT_NE(p.err().find("Состояние: Пауза перед повторным звонком\n"), std::string::npos);
    EXPECT_EQ(modem.commands().back(), "ATDp5550102");
    EXPECT_EQ(pppd.password(2), password);
    for (const int pid : {pppd.pid(2), p.pid()}) {
        for (const char* part : {"/cmdline", "/environ"}) {
            const std::string text = velmor::test::readFile("/proc/" + std::to_string(pid) + part);
            EXPECT_EQ(text.find(password), std::string::npos) << pid << part;
            EXPECT_EQ(text.find(login), std::string::npos) << pid << part;
        }
    }

    // The line drops: the loss line, and the redial connects again.
    ASSERT_TRUE(p.waitForOutput("Соединениние было разорвано", 15000)) << p.out();
    for (int i = 0; i < 100 && occurrences(p.out(), "Соединение установлено") < 2; ++i)
        p.waitForOutput("\x01", 150);  // reads on for 150 ms
    EXPECT_EQ(occurrences(p.out(), "Соединение установлено"), 2u) << p.out();

    p.signal(SIGTERM);
    const auto r = p.wait(15000);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Завершение работы программы"), std::string::npos);
    EXPECT_TRUE(pppd.ended(3));  // ended with the program
    const std::string log = velmor::cp1251ToUtf8(velmor::test::readFile(dir + "/Velmor.log"));
    EXPECT_NE(log.find("Доступ запрещен"), std::string::npos);
    EXPECT_EQ(log.find(login), std::string::npos);
    EXPECT_EQ(log.find(password), std::string::npos);
    modem.stop();
    fs::remove_all(dir);
}
