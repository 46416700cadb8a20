// The ping of a new connection and the keep-alive ping, through a whole program.
#include <gtest/gtest.h>

#include "program_fixture.h"
#include "scripted_icmp.h"

using namespace velmor;
using velmor::test::Program;

namespace {

constexpr icmp::Ipv4 k10001 = 0x0A000001;
constexpr icmp::Ipv4 kGate = 0x0A010101;
constexpr const char* kFailed10001 = "Пинг узла 10.0.0.1 не прошел";

class PingCheckTest : public velmor::test::ProgramTest {
  protected:
    // A started program with the ping check on for host, on an entry with two logins.
    std::unique_ptr<Program> started(const std::string& host, int action) {
        if (!firstRunDone_) {
            velmor::test::writeFile(book_,
                                    "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\n"
                                    "UserName=u\nPassword=p\n");
            firstRun();
            firstRunDone_ = true;
        }
        auto p = program();
        p->form.setIcmpService(&icmp_);
        p->start();
        auto& d = p->form.Model.dial;
        d.PingCheck.checked = true;
        d.PingEdit.text = host;
        d.UpDown4.setPosition(3);
        d.PingBox.itemIndex = action;
        auto& logins = p->form.Model.logins;
        if (logins.size() < 2) logins.push_back({"v", "pw", "0", '+', ItemMark::Normal});
        return p;
    }
    static const std::string& caption(Program& p) { return p.form.Model.conn.Button1.caption; }
    static const std::string& label2(Program& p) { return p.form.Model.conn.Label2.caption; }
    // Lines of the log since the program was started by the test.
    std::string logSince(std::size_t from) const { return log().substr(from); }

    velmor::test::ScriptedIcmp icmp_{loop_};
    bool firstRunDone_ = false;
};

}  // namespace

TEST_F(PingCheckTest, ThreeFailedTriesThenEachAction) {
    for (int action : {0, 1, 2, 3}) {
        SCOPED_TRACE(action);
        icmp_.echoes.clear();
        auto p = started("10.0.0.1", action);
        const std::size_t logStart = log().size();
        const auto start = loop_.tickCount();
        p->form.Button1Click();
        loop_.advance(2000);  // connected; the three tries run inside the check
        EXPECT_GE(loop_.tickCount() - start, 18000u);
        ASSERT_EQ(icmp_.echoes.size(), 3u);
        for (const icmp::EchoRequest& e : icmp_.echoes) {
            EXPECT_EQ(e.address, k10001);
            EXPECT_EQ(e.size, 56);
            EXPECT_EQ(e.ttl, 64);
            EXPECT_EQ(e.flags, 0);
            EXPECT_EQ(e.timeoutMs, 6000);
        }
        EXPECT_TRUE(icmp_.lookups.empty());
        const std::string log = logSince(logStart);
        const auto failure = log.find(std::string(" --- Ошибка: ") + kFailed10001 + "\r\n");
        EXPECT_NE(failure, std::string::npos);
        auto& m = p->form.Model;
        auto& cycle = p->form.Cycle;
        switch (action) {
            case 0:  // logged, and the connection is kept
                EXPECT_EQ(caption(*p), kHangUpCaption);
                EXPECT_EQ(label2(*p), "Скорость 33,6 Кбит/с, IP 10.64.0.2");
                EXPECT_GT(log.find(" --- Соединение установлено."), failure);
                EXPECT_TRUE(p->form.Monitor.TimerStatus.enabled());
                break;
            case 1:  // the dial stops as the user's abort stops it
                EXPECT_EQ(caption(*p), kDialCaption);
                EXPECT_EQ(m.conn.Label4.caption, kFailed10001);
                EXPECT_NE(
                    log.find(" --- Процесс установления соединения был прерван пользователем"),
                    std::string::npos);
                EXPECT_FALSE(cycle.TimerPause.enabled() || cycle.TimerPauseLogin.enabled() ||
                             cycle.TimerPausePhone.enabled());
                loop_.advance(20000);
                EXPECT_EQ(m.conn.Label6.caption, "1");
                break;
            case 2:  // the same phone and login after the pause
            case 3:  // the next login after the pause
                EXPECT_EQ(caption(*p), kAbortCaption);
                EXPECT_EQ(m.conn.Label4.caption, kFailed10001);
                EXPECT_EQ(m.conn.Label4.hint, kFailed10001);
                EXPECT_EQ(label2(*p), "Пауза перед повторным звонком");
                EXPECT_EQ(cycle.TimerPause.enabled(), action == 2);
                EXPECT_EQ(cycle.TimerPauseLogin.enabled(), action == 3);
                EXPECT_EQ(log.find("Соединение установлено"), std::string::npos);
                icmp_.answering[k10001] = 30;  // the next connection answers
                loop_.advance(7000);
                EXPECT_EQ(m.conn.Label6.caption, "2");
                EXPECT_EQ(p->form.RasCon.UserName, action == 2 ? "u" : "v");
                EXPECT_EQ(caption(*p), kHangUpCaption);
                icmp_.answering.clear();
                break;
        }
        if (caption(*p) == kHangUpCaption) p->form.Button1Click();
        ASSERT_TRUE(p->form.Close());
    }
}

TEST_F(PingCheckTest, WithoutAnIcmpSocketEveryTryFailsAndTheLogSaysWhyOnce) {
    icmp_.noSocket = true;
    auto p = started("10.0.0.1", 0);
    const std::size_t logStart = log().size();
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(icmp_.echoes.size(), 3u);
    EXPECT_EQ(caption(*p), kHangUpCaption);  // "нет действий" keeps the connection
    const std::string log = logSince(logStart);
    const std::string why =
        " --- Пинг невозможен: система не даёт открыть ICMP-сокет. Разрешите его группе "
        "пользователя (sysctl net.ipv4.ping_group_range) или дайте программе право CAP_NET_RAW\r\n";
    const auto at = log.find(why);
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.find(why, at + 1), std::string::npos);
    EXPECT_NE(log.find(kFailed10001), std::string::npos);
}

TEST_F(PingCheckTest, FirstAnswerEndsTheTriesAndUnknownNamesSendNothing) {
    auto p = started("10.0.0.1", 2);
    std::size_t logStart = log().size();
    icmp_.nextAnswers = {true};
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(icmp_.echoes.size(), 1u);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(p->form.PingResult, 1);
    EXPECT_EQ(logSince(logStart).find("Пинг узла"), std::string::npos);
    loop_.advance(2000);     // a monitor tick has seen the connection
    p->form.Button1Click();  // hang up
    loop_.advance(3000);

    // A name that cannot be resolved: three failed lookups and not one echo request.
    p->form.Model.dial.PingEdit.text = "nohost.example";
    p->form.Model.dial.PingBox.itemIndex = 0;
    logStart = log().size();
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(icmp_.lookups, std::vector<std::string>(3, "nohost.example"));
    EXPECT_EQ(icmp_.echoes.size(), 1u);
    EXPECT_NE(logSince(logStart).find(" --- Ошибка: Пинг узла nohost.example не прошел\r\n"),
              std::string::npos);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    loop_.advance(2000);
    p->form.Button1Click();
    loop_.advance(3000);

    // A name that resolves: the second try answers, so there is no third.
    icmp_.lookups.clear();
    icmp_.names["gate.example"] = kGate;
    icmp_.nextAnswers = {false, true};
    p->form.Model.dial.PingEdit.text = "gate.example";
    logStart = log().size();
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(icmp_.lookups.size(), 2u);
    ASSERT_EQ(icmp_.echoes.size(), 3u);
    EXPECT_EQ(icmp_.echoes.back().address, kGate);
    EXPECT_EQ(logSince(logStart).find("Пинг узла"), std::string::npos);
    EXPECT_EQ(caption(*p), kHangUpCaption);
}

TEST_F(PingCheckTest, AbortDuringTheTriesIsFinal) {
    auto p = started("10.0.0.1", 2);
    const std::size_t logStart = log().size();
    // The user presses "Прервать" while the second try waits for its reply.
    Timer user(loop_, 9000, true);
    user.onTimer = [&] {
        user.setEnabled(false);
        ASSERT_EQ(caption(*p), kAbortCaption);
        p->form.Button1Click();
    };
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_FALSE(user.enabled());
    EXPECT_EQ(icmp_.echoes.size(), 2u);  // no third try
    EXPECT_EQ(caption(*p), kDialCaption);
    auto& cycle = p->form.Cycle;
    EXPECT_FALSE(cycle.TimerPause.enabled() || cycle.TimerPauseLogin.enabled() ||
                 cycle.TimerPausePhone.enabled());
    EXPECT_FALSE(p->form.Monitor.TimerStatus.enabled());
    loop_.advance(30000);  // no redial after the pause
    EXPECT_EQ(p->form.Model.conn.Label6.caption, "1");
    const std::string log = logSince(logStart);
    EXPECT_NE(log.find("Процесс установления соединения был прерван пользователем"),
              std::string::npos);
    EXPECT_EQ(log.find("Пинг узла"), std::string::npos);
    EXPECT_EQ(log.find("Соединение установлено"), std::string::npos);
}

TEST_F(PingCheckTest, ACheckOutlivedByItsDialOrByTheProgramEndsSilently) {
    // "Следуюший" in the last try: the next phone is being dialled when the try gives up.
    auto p = started("10.0.0.1", 0);
    std::size_t logStart = log().size();
    Timer user(loop_, 13500, true);
    user.onTimer = [&] {
        user.setEnabled(false);
        p->form.MNextClick();
    };
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(p->form.Model.conn.Label6.caption, "2");
    std::string log = logSince(logStart);
    EXPECT_EQ(log.find("Скорость 0"), std::string::npos);
    // The new dial is checked and announced as usual.
    loop_.advance(30000);
    log = logSince(logStart);
    EXPECT_EQ(log.find("Соединение установлено"), log.rfind("Соединение установлено"));
    EXPECT_NE(log.find("Соединение установлено. Скорость 33,6 Кбит/с, IP 10.64.0.2"),
              std::string::npos);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_TRUE(p->form.Close());

    // The window closes during a try: nothing follows the last line of the program.
    auto q = started("10.0.0.1", 2);
    Timer closing(loop_, 9000, true);
    closing.onTimer = [&] {
        closing.setEnabled(false);
        EXPECT_TRUE(q->form.Close());
    };
    q->form.Button1Click();
    loop_.advance(2000);
    log = this->log();
    EXPECT_EQ(log.substr(log.rfind(" --- ") + 5), "Завершение работы программы\r\n");
    loop_.advance(30000);
    EXPECT_EQ(this->log(), log);
}

TEST_F(PingCheckTest, AConnectionThatWasUpBeforeTheDialIsNotChecked) {
    velmor::test::writeFile(book_,
                            "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nUserName=u\n"
                            "Password=p\n[Ящик]\nDevice=sim\nSimStepMs=100\nPhoneNumber=2\n");
    firstRun();
    firstRunDone_ = true;
    auto p = started("10.0.0.1", 2);
    ras::DialRequest other;
    other.entryName = "Ящик";
    ras::Handle handle = 0;
    ASSERT_EQ(p->ras->dial(other, nullptr, handle), 0);
    loop_.advance(2000);
    auto& d = p->form.Model.dial;
    d.LimitCheck.checked = true;
    d.LowLimit.selectText("48000");
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_TRUE(icmp_.echoes.empty());
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_NE(log().find("Соединение установлено. Скорость 33,6"), std::string::npos);
}

TEST_F(PingCheckTest, KeepAlivePingEveryFiveMinutesOfTheSession) {
    auto p = started("gate.example", 0);
    auto& m = p->form.Model;
    m.dial.PingCheck.checked = false;
    m.dial.PingRepeatCheck.checked = true;
    icmp_.names["gate.example"] = kGate;
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    EXPECT_TRUE(icmp_.lookups.empty());  // the check is off
    // Run to the tick that counts the 299th second.
    const std::int64_t counted = m.stats.inCurrentLast;
    loop_.advance((299 - counted) * 1000);
    ASSERT_EQ(m.stats.inCurrentLast, 299);
    EXPECT_TRUE(icmp_.lookups.empty());
    loop_.advance(1000);
    EXPECT_EQ(icmp_.lookups, std::vector<std::string>{"gate.example"});
    p->form.PingResult = -1;
    // The host does not answer: the echo waits 6 s while the ticks go on.
    loop_.advance(10000);
    ASSERT_EQ(icmp_.echoes.size(), 1u);
    EXPECT_EQ(icmp_.echoes[0].address, kGate);
    EXPECT_EQ(p->form.PingResult, 0);
    EXPECT_EQ(m.stats.inCurrentLast, 310);
    EXPECT_EQ(caption(*p), kHangUpCaption);  // only recorded

    // A dotted host answering: no lookup, the echo follows the tick, no second is lost or doubled.
    m.dial.PingEdit.text = "10.0.0.1";
    icmp_.answering[k10001] = 2500;
    loop_.advance(295000);
    EXPECT_EQ(icmp_.echoes.size(), 2u);
    EXPECT_EQ(icmp_.lookups.size(), 1u);
    EXPECT_EQ(p->form.PingResult, 1);
    EXPECT_EQ(m.stats.inCurrentLast, 605);

    // Without the option nothing is sent.
    m.dial.PingRepeatCheck.checked = false;
    loop_.advance(300000);
    EXPECT_EQ(icmp_.echoes.size(), 2u);
}
