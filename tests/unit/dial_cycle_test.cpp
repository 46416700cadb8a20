#include "dialing/dial_cycle.h"

#include <gtest/gtest.h>

#include "accounting/tariffs.h"
#include "automation_fakes.h"
#include "desktop/display_modes.h"
#include "desktop_fakes.h"
#include "form/number_text.h"
#include "platform/profile.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::Program;
using velmor::test::ScriptedUI;
using velmor::test::writeFile;

namespace {

class DialCycleTest : public velmor::test::ProgramTest {
  protected:
    // A started program (password set) on a phonebook with one entry.
    std::unique_ptr<Program> started(const std::string& entryKeys) {
        velmor::test::writeFile(book_, "[Тест]\nDevice=sim\nSimStepMs=100\n" + entryKeys);
        firstRun();
        auto p = program();
        p->start();
        return p;
    }
    static const std::string& caption(Program& p) { return p.form.Model.conn.Button1.caption; }
    static std::string label2(Program& p) { return p.form.Model.conn.Label2.caption; }
    static MainForm& m(Program& p) { return p.form.Model; }
};

}  // namespace

TEST_F(DialCycleTest, PhonesRotateOnLineFailuresAndLoginsOnRefusals) {
    auto p = started(
        "PhoneNumber=111\nAlternatePhoneNumbers=222\nUserName=bad\nPassword=x\n"
        "SimBusy=111\nSimLogins=good:pw\n");
    auto& m = p->form.Model;
    m.logins.push_back({"good", "pw", "0", '+', ItemMark::Normal});
    m.extra.Tone.checked = true;
    m.extra.InitPrefix.text = "9W";
    p->form.Button1Click();
    EXPECT_EQ(caption(*p), kAbortCaption);
    EXPECT_EQ(m.conn.Label6.caption, "1");
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "9Wt111");
    EXPECT_EQ(m.phones[0].mark, ItemMark::InUse);
    EXPECT_FALSE(m.conn.ComboBox1.enabled);
    EXPECT_TRUE(m.menu.MStop.enabled);
    EXPECT_FALSE(m.menu.MCall.enabled);
    loop_.advance(300);
    EXPECT_EQ(label2(*p), "Звоним по номеру 111");
    loop_.advance(1000);  // busy: the pause before the next phone
    EXPECT_EQ(label2(*p), "Пауза перед повторным звонком");
    EXPECT_EQ(m.conn.Label4.caption, ras::errorText(ras::kErrorLineBusy));
    loop_.advance(5000);
    EXPECT_EQ(m.conn.Label6.caption, "2");
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "9Wt222");
    EXPECT_EQ(p->form.RasCon.UserName, "bad");
    loop_.advance(2000);  // refused: the next login, same phone
    EXPECT_EQ(m.conn.Label4.caption, "Доступ запрещен");
    loop_.advance(5000);
    EXPECT_EQ(m.conn.Label6.caption, "3");
    EXPECT_EQ(p->form.RasCon.UserName, "good");
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "9Wt222");
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(label2(*p), "Скорость 33,6 Кбит/с, IP 10.64.0.2");
    // The working login went to the top and the settings were saved with it.
    EXPECT_EQ(m.logins[0].login, "good");
    EXPECT_EQ(m.conn.ListView2.itemIndex, 0);
    EXPECT_TRUE(m.menu.MHangUp.enabled);
    EXPECT_TRUE(m.menu.CopyIP.enabled);
    Profile saved(ini());
    EXPECT_FALSE(saved.readString("RAS_Entry_Тест", "Login_1", "").empty());
    // The log of the dial, line by line in order.
    const std::string log = this->log();
    std::vector<std::string> lines;
    for (auto at = log.find("Инициализация соединения"); at != std::string::npos;) {
        const auto end = log.find("\r\n", at);
        lines.push_back(log.substr(at, end - at));
        at = log.find(" --- ", end);
        if (at != std::string::npos) at += 5;
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Инициализация соединения", "Звоним по номеру 111", "Звоним по номеру 222",
                         "Доступ запрещен", "Звоним по номеру 222",
                         "Соединение установлено. Скорость 33,6 Кбит/с, IP 10.64.0.2"}));
}

TEST_F(DialCycleTest, MonitorCountsTimeTrafficAndMoneyAndTheUserHangsUp) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\n");
    auto& m = p->form.Model;
    m.tariffs.tariff1.value = 3.6;  // 0.001 a second
    m.logins[0].money = "1";
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    const auto all = m.stats.inInternetAll;
    const auto session = m.stats.inCurrentLast;
    const auto received = m.stats.trafficSession.in;
    loop_.advance(10000);
    EXPECT_EQ(m.stats.inCurrentLast, session + 10);
    EXPECT_EQ(m.stats.inInternetAll, all + 10);
    EXPECT_NEAR(m.stats.trafficSession.in - received, 30, 1);  // 3000 bytes a second
    EXPECT_NEAR(m.stats.dengiLast, 0.001 * static_cast<double>(session + 10), 1e-9);
    EXPECT_NEAR(parseReal(m.logins[0].money).value_or(0), 1 - m.stats.dengiLast, 1e-9);
    EXPECT_EQ(m.timeStats.InCurrentLastLabel.caption, durationText(session + 10));

    p->form.Button1Click();  // "Разорвать"
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(label2(*p), "Жду Ваших приказаний");
    loop_.advance(2000);
    EXPECT_FALSE(p->form.Monitor.TimerStatus.enabled());
    const std::string log = this->log();
    const auto at = log.find(" --- Соединение было разорвано пользователем\r\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_NE(log.find(" --- \r\n", at), std::string::npos);  // the entry with no text
    EXPECT_EQ(log.find("Соединениние было разорвано"), std::string::npos);  // not a loss
    // The tick that finds the line gone still counts its second; then the last session stays.
    EXPECT_EQ(m.stats.inCurrentLast, session + 11);
}

TEST_F(DialCycleTest, HangingUpRightAfterTheConnectionIsMadeDropsTheLine) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\n");
    p->form.Button1Click();
    while (caption(*p) != kHangUpCaption)
        loop_.advance(50);  // before the first monitor tick
    p->form.Button1Click();
    EXPECT_EQ(p->form.RasCon.FirstConnection(), "");
    loop_.advance(2000);
    p->form.Button1Click();  // a new dial is not refused as "port already open"
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
}

TEST_F(DialCycleTest, HangingUpEndsTheSessionBeforeADialThatFollowsAtOnce) {
    writeFile(book_,
              "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nAlternatePhoneNumbers=2\n"
              "UserName=u\nPassword=p\nSimBusy=2\n");
    firstRun();
    auto p = program();
    velmor::test::FakeProcesses procs;
    p->form.setAutomationServices({nullptr, &procs, nullptr, nullptr});
    p->start();
    auto& m = p->form.Model;
    AppEntry mail;
    mail.path = "/opt/mail/mail";
    mail.mustKill = true;
    m.programs = {mail};
    p->form.Button1Click();
    loop_.advance(4000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    ASSERT_EQ(procs.runningCount(mail.path), 1);
    const auto seconds = m.stats.inInternetAll;
    while (m.stats.inInternetAll == seconds)
        loop_.advance(10);  // right after a tick
    const auto online = m.stats.inInternetAll;
    // "Разорвать", then at once "Звонить" on the busy phone: the busy line answers before the
    // monitor's next tick would have come.
    p->form.Button1Click();
    m.conn.ListView1.itemIndex = 1;
    p->form.Button1Click();
    EXPECT_FALSE(p->form.Monitor.TimerStatus.enabled());
    EXPECT_EQ(procs.runningCount(mail.path), 0);
    EXPECT_EQ(m.window.iconIndex, iconIndexFor(m.iface.TrackBar.position, false));
    EXPECT_EQ(m.stats.inInternetAll, online + 1);  // the second of the ending tick
    loop_.advance(3000);
    EXPECT_EQ(m.stats.inInternetAll, online + 1);
    EXPECT_EQ(count("Соединениние было разорвано"), 0);
    EXPECT_TRUE(p->form.Cycle.TimerPausePhone.enabled());  // busy: the next phone
    loop_.advance(5000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(procs.runningCount(mail.path), 1);  // started again for the user's new dial
}

TEST_F(DialCycleTest, NoMinimumDownloadCheckOnTheTickThatEndsTheSession) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimRxRate=100\n");
    auto& m = p->form.Model;
    m.extra.CheckBox1.checked = true;
    m.extra.SpinEdit3.value = 1;      // a minute
    m.extra.SpinEdit1.value = 10000;  // more than the line brings
    for (const bool userHangsUp : {false, true}) {
        SCOPED_TRACE(userHangsUp ? "hang-up" : "loss");
        p->form.Button1Click();
        loop_.advance(2000);
        ASSERT_EQ(caption(*p), kHangUpCaption);
        // The last second of the window.
        p->form.session.windowTicks = 59;
        if (userHangsUp) {
            p->form.Button1Click();
        } else {
            p->form.RasCon.HangUpAndWait(p->form.session.activeConnection, 0, 0, false);
        }
        loop_.advance(10000);
        EXPECT_EQ(caption(*p), kDialCaption);
        EXPECT_FALSE(p->form.Cycle.pauseArmed());
        EXPECT_EQ(count("Не выполнен миниму по скачке."), 0);
    }
    EXPECT_EQ(m.conn.Label6.caption, "2");
}

TEST_F(DialCycleTest, LostLineIsLoggedAndRedialledWhenAsked) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimDropAfter=5\n");
    auto& m = p->form.Model;
    m.general.AutoReDialCheck.checked = true;
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    loop_.advance(6000);  // the line drops after 5 seconds; the next tick finds it gone
    EXPECT_EQ(caption(*p), kAbortCaption);
    EXPECT_NE(log().find(" --- Соединениние было разорвано. Время на линии: 0.00:00:0"),
              std::string::npos);
    EXPECT_TRUE(p->form.Cycle.TimerPause.enabled());
    loop_.advance(7000);  // the pause, then a new connection
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(m.conn.Label6.caption, "2");

    EXPECT_EQ(m.window.iconIndex, iconIndexFor(m.iface.TrackBar.position, true));

    m.general.AutoReDialCheck.checked = false;
    loop_.advance(7000);
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_TRUE(m.conn.ComboBox1.enabled);
    EXPECT_TRUE(m.menu.MCall.enabled);
    // The icons no longer show a connection.
    EXPECT_EQ(m.window.iconIndex, iconIndexFor(m.iface.TrackBar.position, false));
    EXPECT_EQ(m.iface.Image7.iconIndex, m.window.iconIndex);
}

TEST_F(DialCycleTest, ALineLostAtItsFirstTickIsLoggedWithItsOwnFigures) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\n");
    p->form.Button1Click();
    loop_.advance(12000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    p->form.Button1Click();
    // A connection that is gone by the first tick.
    p->dials().script = {{{0, 0}, {2, 0}, {ras::kStateConnected, 0}}};
    p->form.Button1Click();
    loop_.advance(1500);
    EXPECT_EQ(count("Соединениние было разорвано. Время на линии: 0.00:00:00, "
                    "получено/отправлено: 0,00 / 0,00 Мб."),
              1);
}

TEST_F(DialCycleTest, AbortDuringThePauseStopsEverything) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimBusy=1\n");
    p->form.Button1Click();
    loop_.advance(1500);
    ASSERT_TRUE(p->form.Cycle.TimerPausePhone.enabled());
    p->form.Button1Click();  // "Прервать"
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_FALSE(p->form.Cycle.TimerPause.enabled());
    EXPECT_FALSE(p->form.Cycle.TimerPausePhone.enabled());
    EXPECT_FALSE(p->form.Cycle.TimerPauseLogin.enabled());
    loop_.advance(30000);
    EXPECT_EQ(p->form.Model.conn.Label6.caption, "1");
    EXPECT_NE(log().find(" --- Процесс установления соединения был прерван пользователем\r\n"),
              std::string::npos);
    EXPECT_EQ(p->form.Model.phones[0].mark, ItemMark::Normal);
}

TEST_F(DialCycleTest, ExcludedPhonesAreSkippedAndDoubleClickSwitchesThePhone) {
    auto p = started(
        "PhoneNumber=1\nAlternatePhoneNumbers=2;3\nUserName=u\nPassword=p\nSimBusy=1;2;3\n");
    auto& m = p->form.Model;
    m.phones[1].mark = ItemMark::Excluded;
    p->form.Button1Click();
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p1");
    loop_.advance(5450);  // busy after 0.4 s, the 5-second pause, the next call
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p3");  // 2 is excluded
    // While dialling 3, the user double-clicks phone 1: it is dialled after the pause.
    m.conn.ListView1.itemIndex = 0;
    p->form.ListView1DblClick();
    EXPECT_TRUE(p->form.Cycle.TimerPause.enabled());
    loop_.advance(5000);
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p1");
    // A dial that starts on an excluded phone passes over it too.
    p->form.Button1Click();
    m.phones[0].mark = ItemMark::Excluded;
    m.conn.ListView1.itemIndex = 0;
    p->form.Button1Click();
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p3");
}

TEST_F(DialCycleTest, APauseDialsTheDoubleClickedPairAndNeverAnExcludedItem) {
    auto p = started("PhoneNumber=1\nAlternatePhoneNumbers=2;3\nUserName=a\nPassword=p\n");
    auto& m = p->form.Model;
    auto& cycle = p->form.Cycle;
    const auto& ras = p->form.RasCon;
    const auto dialled = [&] { return ras.PhoneNumber + "/" + ras.UserName; };
    m.logins.push_back({"b", "p", "0", '+', ItemMark::Normal});
    m.logins.push_back({"c", "p", "0", '+', ItemMark::Excluded});
    using Notes = std::vector<velmor::test::ScriptedDials::Note>;
    const Notes busy{{2, 0}, {2, ras::kErrorLineBusy}};
    const Notes refused{{2, 0}, {2, ras::kErrorAuthenticationFailure}};
    p->dials().script = {busy, refused, busy, refused, busy};
    p->form.Button1Click();
    loop_.advance(300);
    ASSERT_TRUE(cycle.TimerPausePhone.enabled());
    // Phone 3 double-clicked during the next-phone pause is dialled, not the one after it.
    m.conn.ListView1.itemIndex = 2;
    p->form.ListView1DblClick();
    loop_.advance(5000);
    EXPECT_EQ(dialled(), "p3/a");
    loop_.advance(300);
    ASSERT_TRUE(cycle.TimerPauseLogin.enabled());
    // So is login a, double-clicked during the next-login pause.
    m.conn.ListView2.itemIndex = 0;
    p->form.ListView2DblClick();
    loop_.advance(5000);
    EXPECT_EQ(dialled(), "p3/a");
    loop_.advance(300);
    ASSERT_TRUE(cycle.TimerPausePhone.enabled());
    // The excluded login c, only clicked during the next-phone pause, is passed over.
    m.conn.ListView2.itemIndex = 2;
    loop_.advance(5000);
    EXPECT_EQ(dialled(), "p1/a");
    loop_.advance(300);
    ASSERT_TRUE(cycle.TimerPauseLogin.enabled());
    // And so is an excluded phone clicked during the next-login pause.
    m.phones[1].mark = ItemMark::Excluded;
    m.conn.ListView1.itemIndex = 1;
    loop_.advance(5000);
    EXPECT_EQ(dialled(), "p3/b");
}

TEST_F(DialCycleTest, TooSlowALineIsRejectedAndRedialled) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\n");
    auto& m = p->form.Model;
    m.dial.LimitCheck.checked = true;
    m.dial.LowLimit.selectText("48000");
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kAbortCaption);
    EXPECT_EQ(m.conn.Label4.caption, "Скорость 33,6 Кбит/с слишком мала");
    EXPECT_TRUE(p->form.Cycle.TimerPause.enabled());
    EXPECT_NE(log().find(" --- Ошибка: Скорость 33,6 Кбит/с слишком мала\r\n"), std::string::npos);
    m.dial.LowLimit.selectText("33600");  // equal to the minimum: accepted
    loop_.advance(7000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
}

TEST_F(DialCycleTest, TooLittleDownloadedHangsUpAndRedials) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimRxRate=100\n");
    auto& m = p->form.Model;
    m.extra.CheckBox1.checked = true;
    m.extra.SpinEdit3.value = 1;   // a minute
    m.extra.SpinEdit1.value = 10;  // 10 kB; the line brings 6
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    loop_.advance(60000);
    EXPECT_EQ(m.conn.Label4.caption, "Не выполнен миниму по скачке.");
    EXPECT_NE(log().find(" --- Ошибка: Не выполнен миниму по скачке.\r\n"), std::string::npos);
    loop_.advance(1000);  // the next tick sees the loss
    EXPECT_NE(log().find("Соединениние было разорвано"), std::string::npos);
    loop_.advance(7000);  // and the pause leads to a new call
    EXPECT_EQ(m.conn.Label6.caption, "2");
}

TEST(Tariffs, PriceInForceByHour) {
    Tariffs two{2, 7, 19, 0, 1.0, 2.0, 0};
    EXPECT_EQ(priceAt(two, 7), 2.0);
    EXPECT_EQ(priceAt(two, 8), 1.0);
    EXPECT_EQ(priceAt(two, 19), 1.0);
    EXPECT_EQ(priceAt(two, 20), 2.0);
    Tariffs three{3, 0, 8, 18, 1.0, 2.0, 3.0};
    EXPECT_EQ(priceAt(three, 0), 3.0);
    EXPECT_EQ(priceAt(three, 1), 1.0);
    EXPECT_EQ(priceAt(three, 8), 1.0);
    EXPECT_EQ(priceAt(three, 9), 2.0);
    EXPECT_EQ(priceAt(three, 18), 2.0);
    EXPECT_EQ(priceAt(three, 19), 3.0);
    EXPECT_DOUBLE_EQ(costOfSecond({1, 0, 0, 0, 1.8, 0, 0}, 12), 0.0005);
}

TEST_F(DialCycleTest, RepeatedStatesActOnceAndEveryDialStartsAfresh) {
    auto p = started("PhoneNumber=1\nAlternatePhoneNumbers=2\nUserName=u\nPassword=p\n");
    auto& cycle = p->form.Cycle;
    p->form.Button1Click();
    loop_.advance(100);  // the first state of the run is shown, not taken for a repeat
    EXPECT_EQ(label2(*p), "Opening Serial Port");
    p->form.Button1Click();  // "Прервать": the abort's request ends with its cycle
    // A device that reports the dialling state twice, and answers the next dial with the same
    // error as its first word.
    p->dials().script = {{{2, 0}, {2, 0}, {0, ras::kErrorNoDialtone}},
                         {{0, ras::kErrorNoDialtone}}};
    p->form.Button1Click();
    loop_.advance(300);
    EXPECT_EQ(count("Звоним по номеру 1"), 1);
    EXPECT_TRUE(cycle.TimerPausePhone.enabled());  // a line failure: the next phone
    loop_.advance(5000);
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p2");
    loop_.advance(100);
    EXPECT_EQ(m(*p).conn.Label4.caption, ras::errorText(ras::kErrorNoDialtone));
    EXPECT_TRUE(cycle.TimerPausePhone.enabled());
    loop_.advance(5000);
    EXPECT_EQ(m(*p).conn.Label6.caption, "4");
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p1");
}

TEST_F(DialCycleTest, NotificationsArrivingTogetherAreEachActedOn) {
    // A real device may report its last progress and its refusal before the window has handled
    // the first of them: each notification is judged by the state it carries.
    auto p = started("PhoneNumber=1\nAlternatePhoneNumbers=2\nUserName=u\nPassword=p\n");
    p->dials().script = {
        {{0, 0}, {2, 0}, {5, 0, true}, {6, 0, true}, {6, ras::kErrorAuthenticationFailure}},
        {{0, 0}, {2, 0, true}, {2, ras::kErrorLineBusy}}};
    p->form.Button1Click();
    loop_.advance(300);
    EXPECT_EQ(count("Доступ запрещен"), 1);
    EXPECT_TRUE(p->form.Cycle.TimerPauseLogin.enabled());
    loop_.advance(5000 + 200);
    EXPECT_EQ(count("Звоним по номеру 1"), 2);
    EXPECT_TRUE(p->form.Cycle.TimerPausePhone.enabled());
}

TEST_F(DialCycleTest, ADialRefusedAtOnceGoesOnWithTheNextPhone) {
    auto p = started("PhoneNumber=1\nAlternatePhoneNumbers=2\nUserName=u\nPassword=p\n");
    p->dials().script = {{{0, -ras::kErrorPortAlreadyOpen}}};
    p->form.Button1Click();
    const std::string text = ras::errorText(ras::kErrorPortAlreadyOpen);
    EXPECT_EQ(label2(*p), text);
    EXPECT_EQ(count("Ошибка: " + text), 1);
    loop_.advance(5000);
    EXPECT_EQ(m(*p).conn.Label6.caption, "2");
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p2");
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
}

TEST_F(DialCycleTest, OnePhoneAndOneLoginRedialTheSamePair) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimBusy=1\n");
    p->form.Button1Click();
    for (int attempt = 2; attempt <= 3; ++attempt) {
        loop_.advance(5500);
        EXPECT_EQ(m(*p).conn.Label6.caption, std::to_string(attempt));
        EXPECT_EQ(p->form.RasCon.PhoneNumber, "p1");
        EXPECT_EQ(p->form.RasCon.UserName, "u");
    }
}

TEST_F(DialCycleTest, RefusalOnTheLastLoginWrapsToTheFirst) {
    auto p = started("PhoneNumber=1\nUserName=a\nPassword=x\nSimLogins=a:x\n");
    m(*p).logins.push_back({"b", "y", "0", '+', ItemMark::Normal});
    m(*p).conn.ListView2.itemIndex = 1;
    p->form.Button1Click();
    EXPECT_EQ(p->form.RasCon.UserName, "b");
    loop_.advance(1000);
    EXPECT_EQ(m(*p).conn.Label4.caption, "Доступ запрещен");
    loop_.advance(5000);
    EXPECT_EQ(p->form.RasCon.UserName, "a");
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p1");
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
}

TEST_F(DialCycleTest, AbortWhileDiallingEndsTheDial) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\n");
    p->form.Button1Click();
    loop_.advance(350);
    ASSERT_EQ(label2(*p), "Звоним по номеру 1");
    p->form.Button1Click();
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(label2(*p), "Жду Ваших приказаний");
    EXPECT_EQ(m(*p).conn.Label4.caption, "Звоним по номеру 1");
    EXPECT_TRUE(m(*p).conn.ComboBox1.enabled);
    EXPECT_EQ(m(*p).phones[0].mark, ItemMark::Normal);
    loop_.advance(30000);  // nothing of the dropped dial follows
    EXPECT_EQ(label2(*p), "Жду Ваших приказаний");
    EXPECT_EQ(m(*p).conn.Label6.caption, "1");
    EXPECT_EQ(p->form.RasCon.FirstConnection(), "");
    EXPECT_EQ(count("Процесс установления соединения был прерван пользователем"), 1);
    EXPECT_EQ(count("Соединение установлено"), 0);
}

TEST_F(DialCycleTest, AnAcceptedConnectionEndsAnEarlierHangUpRequest) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\nSimDropAfter=5\n");
    m(*p).general.AutoReDialCheck.checked = true;
    p->form.Button1Click();
    loop_.advance(250);
    p->form.Button1Click();  // "Прервать"
    p->form.Button1Click();  // and dial again
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    loop_.advance(6000);  // the line drops: a loss, not the user's hang-up
    EXPECT_EQ(count("Соединениние было разорвано. Время на линии: "), 1);
    EXPECT_EQ(caption(*p), kAbortCaption);
    loop_.advance(7000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
}

TEST_F(DialCycleTest, OnePauseAtATimeAndTheUsersHangUpCallsItOff) {
    auto p = started(
        "PhoneNumber=1\nAlternatePhoneNumbers=2\nUserName=u\nPassword=p\nSimRefuseLogins=1\n");
    auto& cycle = p->form.Cycle;
    p->form.Button1Click();
    loop_.advance(1000);
    ASSERT_TRUE(cycle.TimerPauseLogin.enabled());  // refused
    p->form.MNextClick();                          // "Следуюший" replaces that pause
    EXPECT_TRUE(cycle.TimerPausePhone.enabled());
    EXPECT_FALSE(cycle.TimerPauseLogin.enabled());
    loop_.advance(7000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(p->form.RasCon.PhoneNumber, "p2");
    loop_.advance(30000);
    EXPECT_EQ(m(*p).conn.Label6.caption, "2");
    // "Перезвонить", then at once "Разорвать": nothing redials.
    p->form.MRecallClick();
    p->form.Button1Click();
    EXPECT_FALSE(cycle.pauseArmed());
    loop_.advance(30000);
    EXPECT_EQ(m(*p).conn.Label6.caption, "2");
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(count(ras::errorText(ras::kErrorPortAlreadyOpen)), 0);
}

TEST_F(DialCycleTest, APauseRunningWhenTheLineIsGoneShowsTheRedialComing) {
    auto p = started("PhoneNumber=1\nUserName=u\nPassword=p\n");
    auto& cycle = p->form.Cycle;
    p->form.Button1Click();
    loop_.advance(2000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    // "Перезвонить" with automatic redial off: the tick that finds the line gone shows the dial.
    p->form.MRecallClick();
    loop_.advance(1000);
    EXPECT_EQ(caption(*p), kAbortCaption);
    EXPECT_FALSE(m(*p).conn.ComboBox1.enabled);
    EXPECT_TRUE(cycle.TimerPause.enabled());
    loop_.advance(6000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(m(*p).conn.Label6.caption, "2");
    EXPECT_EQ(label2(*p), "Скорость 33,6 Кбит/с, IP 10.64.0.2");
    // The dial action beside a running pause only shows it; the pause makes the one call.
    p->form.Button1Click();
    loop_.advance(1500);
    cycle.armPause(cycle.TimerPausePhone);
    p->form.Button1Click();
    EXPECT_EQ(caption(*p), kAbortCaption);
    EXPECT_EQ(m(*p).conn.Label6.caption, "2");
    loop_.advance(7000);
    EXPECT_EQ(m(*p).conn.Label6.caption, "3");
    EXPECT_EQ(caption(*p), kHangUpCaption);
}

TEST_F(DialCycleTest, ASpeedOfZeroIsNotChecked) {
    writeFile(book_,
              "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=1\nUserName=u\nPassword=p\n"
              "SimSpeed=0\n");
    firstRun();
    auto p = program();
    velmor::test::FakeTray tray;
    p->form.setTrayService(&tray);
    p->start();
    m(*p).dial.LimitCheck.checked = true;
    m(*p).dial.LowLimit.selectText("14400");
    p->form.Button1Click();
    loop_.advance(2000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_EQ(label2(*p), "Скорость 0 Кбит/с, IP 10.64.0.2");
    for (const std::string& b : tray.icons.at(0)->balloons)
        EXPECT_NE(b.substr(0, 5), "show|") << b;
}
