// velmorctl modem against our modem emulator: a mobile stick's answers explained, and a port that
// ModemManager holds named as such, never reported "ok".
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/modem_emulator.h"
#include "support/port_holder.h"
#include "support/process.h"
#include "support/stand_in_pppd.h"

using velmor::test::ModemEmulator;
using velmor::test::ProcessResult;

namespace {

class VelmorctlModem : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/velmor-ctl-modem-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        pppd_ = std::make_unique<velmor::test::StandInPppd>(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    ProcessResult run(const ModemEmulator& modem) {
        std::ofstream(dir_ + "/phonebook.ini", std::ios::binary)
            << "[Мобильный]\r\nDevice=" << modem.port()
            << "\r\nPhoneNumber=*99#\r\nInit1=ATZ\r\nInit2=\r\n";
        std::vector<std::string> env = pppd_->environment();
        env.push_back("VELMOR_PHONEBOOK=" + dir_ + "/phonebook.ini");
        return velmor::test::runProcess(velmor::test::binary("velmorctl"), {"modem", "Мобильный"},
                                        env);
    }

    std::string dir_;
    std::unique_ptr<velmor::test::StandInPppd> pppd_;
};

}  // namespace

TEST_F(VelmorctlModem, MobileSticksAnswersAreExplained) {
    ModemEmulator::Options o;
    o.replies = {{"AT+CPIN?", "+CPIN: SIM PIN"},
                 {"AT+CGDCONT?", "+CGDCONT: 1,\"IP\",\"\",\"0.0.0.0\",0,0"},
                 {"AT+CREG?", "+CREG: 0,3"},
                 {"AT+CGREG?", "+CGREG: 0,2"},
                 {"AT+CSQ", "+CSQ: 99,99"}};
    ModemEmulator troubled(o);
    ASSERT_TRUE(troubled.ready());
    ProcessResult r = run(troubled);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    for (const char* said :
         {"ok      Порт ", "Линии порта: не читаются", "> AT+CPIN?\n< +CPIN: SIM PIN\n< OK\n",
          "ошибка  AT+CPIN?: SIM-карта ждёт PIN-код",
          "ошибка  AT+CGDCONT?: Точка доступа (APN) не задана",
          "ошибка  AT+CREG?: Сеть: оператор отказал в регистрации",
          "ошибка  AT+CGREG?: Передача данных: модем ищет сеть", "ошибка  AT+CSQ: Сигнала нет"}) {
        EXPECT_NE(r.out.find(said), std::string::npos) << said << "\n" << r.out;
    }

    o.replies = {{"AT+CPIN?", "+CPIN: READY"},
                 {"AT+CGDCONT?", "+CGDCONT: 1,\"IP\",\"internet\",\"0.0.0.0\",0,0"},
                 {"AT+CREG?", "+CREG: 0,1"},
                 {"AT+CGREG?", "+CGREG: 0,5"},
                 {"AT+CSQ", "+CSQ: 17,99"}};
    ModemEmulator ready(o);
    r = run(ready);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const char* said :
         {"ok      SIM-карта готова.", "ok      Точка доступа (APN): internet (контекст 1).",
          "ok      Сеть: модем зарегистрирован в домашней сети.",
          "ok      Передача данных: модем зарегистрирован в роуминге",
          "ok      Сигнал хороший: -79 дБм."}) {
        EXPECT_NE(r.out.find(said), std::string::npos) << said << "\n" << r.out;
    }
}

TEST_F(VelmorctlModem, APortThatModemManagerHoldsIsNamedAndNeverOk) {
    ModemEmulator modem;
    ASSERT_TRUE(modem.ready());
    velmor::test::PortHolder manager(modem.port(), "ModemManager");
    ASSERT_TRUE(manager.holding());
    const ProcessResult r = run(modem);
    manager.release();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.out.find("ошибка  Порт " + modem.port() + ": Порт " + modem.port() +
                   " занят службой ModemManager (процесс " + std::to_string(manager.pid()) + ")"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("sudo systemctl disable --now ModemManager"), std::string::npos);
    EXPECT_EQ(r.out.find("ok      Порт"), std::string::npos) << r.out;
    EXPECT_TRUE(modem.commands().empty());
}
