#include "app/remote_control.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/machine.h"
#include "program_fixture.h"

using namespace velmor;
using control::Command;
using control::Property;
using control::Refusal;
using control::State;
using velmor::test::Program;

namespace {

// What the watchers were told, and when.
struct Told : control::ControlService {
    explicit Told(VirtualLoop& l) : loop(l) {}
    struct Change {
        std::uint64_t at;
        control::Snapshot now;
        std::vector<Property> changed;
    };
    void propertiesChanged(const control::Snapshot& now,
                           const std::vector<Property>& changed) override {
        changes.push_back({loop.tickCount(), now, changed});
    }
    VirtualLoop& loop;
    std::vector<Change> changes;
};

class RemoteControlTest : public velmor::test::ProgramTest {
  protected:
    // A started program on two entries whose changes reach told_ as the front end reports its
    // redraws; unlocked as the settings file of this computer says, or locked.
    std::unique_ptr<Program> running(bool unlocked) {
        velmor::test::writeFile(
            book_,
            "[Тест]\nDevice=sim\nSimStepMs=100\nPhoneNumber=555-01\nUserName=тайный-логин\n"
            "Password=тайный-пароль\nSimSpeed=28800\nSimLocalIP=10.1.2.3\nSimServerIP=10.1.2.1\n"
            "[Юг]\nDevice=sim\nPhoneNumber=777\nUserName=u\nPassword=p\n");
        firstRun();
        if (unlocked) {
            Profile(ini()).writeString("Brontavel", "LockCode", machineBinding("").machineCode);
        }
        auto p = program();
        p->start();
        Program* raw = p.get();
        p->ui.onRefresh = [raw] { raw->form.Remote.modelChanged(); };
        p->form.Remote.setService(&told_);
        return p;
    }
    void waitFor(Program& p, const char* caption) {
        for (int i = 0; i < 400 && p.form.Model.conn.Button1.caption != caption; ++i)
            loop_.advance(50);
        ASSERT_EQ(p.form.Model.conn.Button1.caption, caption);
    }
    Told told_{loop_};
};

}  // namespace

TEST_F(RemoteControlTest, StateIsToldAtOnceCountersOnceASecondAndAnIdleProgramNothing) {
    auto p = running(true);
    TForm1& f = p->form;
    const int idleTimers = loop_.armedTimers();
    loop_.advance(60000);
    EXPECT_TRUE(told_.changes.empty());
    EXPECT_EQ(loop_.armedTimers(), idleTimers);

    ASSERT_TRUE(f.Remote.command(Command::Dial, "").done());
    ASSERT_EQ(told_.changes.size(), 1u);  // before any event of the line
    const control::Snapshot& dialling = told_.changes[0].now;
    EXPECT_EQ(dialling.state, State::Dialling);
    EXPECT_EQ(dialling.phone, "555-01");
    EXPECT_EQ(dialling.attempts, 1u);
    EXPECT_EQ(dialling.stateText, "Инициализация соединения");

    waitFor(*p, kHangUpCaption);
    const control::Snapshot connected = told_.changes.back().now;
    EXPECT_EQ(connected.state, State::Connected);
    EXPECT_EQ(connected.speed, 28800u);
    EXPECT_EQ(connected.localAddress, "10.1.2.3");
    EXPECT_EQ(connected.remoteAddress, "10.1.2.1");

    // On line the counters change every second, and are told no more often.
    const std::size_t before = told_.changes.size();
    loop_.advance(5000);
    ASSERT_GE(told_.changes.size(), before + 4);
    for (std::size_t i = before; i < told_.changes.size(); ++i) {
        const auto& c = told_.changes[i];
        EXPECT_TRUE(std::all_of(c.changed.begin(), c.changed.end(), control::isCounter));
        EXPECT_GE(c.at - told_.changes[i - 1].at, 980u);
    }
    EXPECT_GE(told_.changes.back().now.sessionSeconds, 4);
    EXPECT_EQ(told_.changes.back().now.sessionSeconds, f.Model.stats.inCurrentLast);
    // A counter that changes again within the second waits for the rest of it.
    const std::size_t held = told_.changes.size();
    f.Model.stats.dengiLast += 1;
    f.Remote.modelChanged();
    loop_.advance(400);
    EXPECT_EQ(told_.changes.size(), held);
    loop_.advance(700);
    ASSERT_GT(told_.changes.size(), held);
    EXPECT_EQ(told_.changes[held].now.sessionMoney, f.Model.stats.dengiLast);

    ASSERT_TRUE(f.Remote.command(Command::HangUp, "").done());
    EXPECT_EQ(told_.changes.back().now.state, State::Idle);
    EXPECT_EQ(told_.changes.back().now.localAddress, "");
    loop_.advance(3000);
    const std::size_t idle = told_.changes.size();
    loop_.advance(60000);
    EXPECT_EQ(told_.changes.size(), idle);
    EXPECT_EQ(loop_.armedTimers(), idleTimers);
    // Nothing told holds the login or the password in use.
    for (const auto& c : told_.changes) {
        for (const std::string& s : {c.now.entry, c.now.phone, c.now.stateText}) {
            EXPECT_EQ(s.find("тайный"), std::string::npos) << s;
        }
    }
}

TEST_F(RemoteControlTest, CommandsRunAsTheButtonAndTheMenuDoAndALockedProgramOnlyShowsItself) {
    auto p = running(false);
    TForm1& f = p->form;
    ASSERT_TRUE(f.Model.state.locked);
    EXPECT_TRUE(f.Remote.snapshot().locked);
    for (const Command c :
         {Command::Dial, Command::HangUp, Command::Next, Command::Redial, Command::SelectEntry}) {
        const control::Outcome o = f.Remote.command(c, "Юг");
        EXPECT_EQ(o.refusal, Refusal::Locked);
        EXPECT_NE(o.message.find("заблокирована"), std::string::npos) << o.message;
    }
    EXPECT_EQ(f.Model.conn.Button1.caption, kDialCaption);
    EXPECT_EQ(f.Model.conn.ComboBox1.text(), "Тест");
    EXPECT_EQ(count("Инициализация соединения"), 0);
    EXPECT_TRUE(told_.changes.empty());
    p->ui.minimized = true;
    EXPECT_TRUE(f.Remote.command(Command::Show, "").done());
    EXPECT_TRUE(f.Remote.command(Command::Activate, "").done());
    EXPECT_FALSE(p->ui.minimized);
    EXPECT_EQ(p->ui.broughtToFront, 2);

    f.Model.state.locked = false;  // the user unlocked the window
    f.Remote.modelChanged();
    ASSERT_EQ(told_.changes.size(), 1u);
    EXPECT_EQ(told_.changes[0].changed, std::vector<Property>{Property::Locked});
    for (const Command c : {Command::HangUp, Command::Next, Command::Redial})
        EXPECT_EQ(f.Remote.command(c, "").refusal, Refusal::NotActive);
    EXPECT_EQ(f.Remote.command(Command::SelectEntry, "Нет такого").refusal, Refusal::NoSuchEntry);
    ASSERT_TRUE(f.Remote.command(Command::SelectEntry, "Юг").done());
    EXPECT_EQ(told_.changes.back().now.entry, "Юг");
    EXPECT_EQ(f.Model.phones.at(0).number, "777");
    ASSERT_TRUE(f.Remote.command(Command::SelectEntry, "Тест").done());

    ASSERT_TRUE(f.Remote.command(Command::Dial, "").done());
    EXPECT_EQ(f.Remote.command(Command::Dial, "").refusal, Refusal::NotIdle);
    EXPECT_EQ(f.Remote.command(Command::SelectEntry, "Юг").refusal, Refusal::NotIdle);
    EXPECT_EQ(f.Remote.command(Command::Redial, "").refusal, Refusal::NotActive);
    ASSERT_TRUE(f.Remote.command(Command::Next, "").done());  // "Следуюший"
    EXPECT_EQ(told_.changes.back().now.state, State::Pausing);
    waitFor(*p, kHangUpCaption);
    EXPECT_EQ(f.Remote.command(Command::Next, "").refusal, Refusal::NotActive);
    ASSERT_TRUE(f.Remote.command(Command::Redial, "").done());  // "Перезвонить"
    EXPECT_EQ(told_.changes.back().now.state, State::Pausing);
    waitFor(*p, kHangUpCaption);
    ASSERT_TRUE(f.Remote.command(Command::HangUp, "").done());
    EXPECT_EQ(f.Model.conn.Button1.caption, kDialCaption);
    EXPECT_EQ(count("Соединение было разорвано пользователем"), 1);

    // The dial button is disabled: nothing to dial in the list.
    f.Model.conn.ListView1.itemIndex = 0;
    f.BitBtn4Click();
    ASSERT_FALSE(f.Model.conn.Button1.enabled);
    const control::Outcome o = f.Remote.command(Command::Dial, "");
    EXPECT_EQ(o.refusal, Refusal::Unavailable);
    EXPECT_NE(o.message.find("Звонить нельзя"), std::string::npos);
}
