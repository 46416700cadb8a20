// The machine's sleep on virtual time: the delay lock held while the line is in use, the line taken
// down before the sleep, the redial after the wake.
#include <gtest/gtest.h>

#include "dialing/sleep_handling.h"
#include "program_fixture.h"

using namespace velmor;
using velmor::test::Program;

namespace {

// A sleep that the test announces; the lock is a flag.
class FakePower : public PowerService {
  public:
    bool inhibit() override {
        held = true;
        ++taken;
        return true;
    }
    void release() override { held = false; }
    bool inhibited() const override { return held; }
    bool held = false;
    int taken = 0;
};

class SleepTest : public velmor::test::ProgramTest {
  protected:
    std::unique_ptr<Program> started(bool autoRedial) {
        auto p = prepared({{"AutoReDial", autoRedial ? "Y" : "N"}, {"RedialPause", "2"}});
        p->form.setPowerService(&power_);
        p->start();
        return p;
    }
    static const std::string& caption(Program& p) { return p.form.Model.conn.Button1.caption; }
    FakePower power_;
};

}  // namespace

TEST_F(SleepTest, ConnectedLineIsHungUpBeforeTheSleepAndRedialledAfterTheWake) {
    auto p = started(true);
    EXPECT_FALSE(power_.held);  // idle: nothing held back
    p->form.Button1Click();
    loop_.advance(200);
    EXPECT_TRUE(power_.held);  // dialling
    loop_.advance(3000);
    ASSERT_EQ(caption(*p), kHangUpCaption);
    EXPECT_TRUE(power_.held);

    power_.beforeSleep();
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(count(kSleepHangUpText), 1);
    EXPECT_EQ(count("Соединение было разорвано пользователем"), 0);
    loop_.advance(100);
    EXPECT_FALSE(power_.held);  // the line is down: the sleep may go on
    loop_.advance(5000);        // asleep: the monitor finds the line gone, no loss, no redial
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(count("Соединениние было разорвано"), 0);
    EXPECT_EQ(count("Инициализация соединения"), 1);

    power_.afterResume();
    EXPECT_EQ(caption(*p), kDialCaption);
    loop_.advance(2100);  // the pause, then the same dial as the button's
    EXPECT_EQ(count("Инициализация соединения"), 2);
    loop_.advance(3000);
    EXPECT_EQ(caption(*p), kHangUpCaption);
    EXPECT_TRUE(power_.held);
    p->form.Button1Click();
    loop_.advance(1100);
    EXPECT_FALSE(power_.held);  // idle again: the lock goes
}

TEST_F(SleepTest, DialInProgressIsAbortedAndNothingFollowsWithoutAutomaticRedial) {
    auto p = started(false);
    power_.beforeSleep();  // idle: nothing to do, nothing logged
    power_.afterResume();
    EXPECT_EQ(count("спящий режим"), 0);

    p->form.Button1Click();
    loop_.advance(300);
    ASSERT_EQ(caption(*p), kAbortCaption);
    power_.beforeSleep();
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(count(kSleepAbortText), 1);
    loop_.advance(100);
    EXPECT_FALSE(power_.held);
    power_.afterResume();
    loop_.advance(10000);
    EXPECT_EQ(caption(*p), kDialCaption);
    EXPECT_EQ(count("Инициализация соединения"), 1);
    EXPECT_EQ(power_.taken, 1);
}
