#include <gtest/gtest.h>

#include <vector>

#include "platform/virtual_loop.h"

using namespace velmor;

TEST(VirtualLoop, TimersFireInOrderAndOneShotsStop) {
    VirtualLoop loop;
    std::vector<std::string> fired;
    Timer a(loop, 1000), b(loop, 300), once(loop, 500);
    a.onTimer = [&] { fired.push_back("a"); };
    b.onTimer = [&] { fired.push_back("b"); };
    once.onTimer = [&] {
        fired.push_back("once");
        once.setEnabled(false);
    };
    a.setEnabled(true);
    b.setEnabled(true);
    once.setEnabled(true);
    loop.advance(1000);
    EXPECT_EQ(fired, (std::vector<std::string>{"b", "once", "b", "b", "a"}));
    fired.clear();
    loop.advance(1000);
    EXPECT_EQ(fired, (std::vector<std::string>{"b", "b", "b", "a"}));
    EXPECT_EQ(loop.armedTimers(), 2);
}

TEST(VirtualLoop, EnablingAgainDoesNotRestartButIntervalChangeDoes) {
    VirtualLoop loop;
    int n = 0;
    Timer t(loop, 1000, true);
    t.onTimer = [&] { ++n; };
    loop.advance(600);
    t.setEnabled(true);  // already on: the interval keeps running
    loop.advance(400);
    EXPECT_EQ(n, 1);
    loop.advance(600);
    t.setInterval(2000);  // restarts from now
    loop.advance(1900);
    EXPECT_EQ(n, 1);
    loop.advance(100);
    EXPECT_EQ(n, 2);
}

TEST(VirtualLoop, PostedWorkRunsInOrderAndSleepBlocksTimers) {
    VirtualLoop loop;
    std::vector<int> seen;
    Timer t(loop, 50, true);
    t.onTimer = [&] { seen.push_back(0); };
    loop.post([&] { seen.push_back(1); });
    loop.post([&] {
        seen.push_back(2);
        loop.post([&] { seen.push_back(3); });
    });
    loop.sleepMs(120);  // nothing runs while the thread sleeps
    EXPECT_TRUE(seen.empty());
    loop.processMessages();
    // Posted work first, then the timer once: a late timer does not make up missed intervals.
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 0}));
}

TEST(VirtualLoop, LocalClockCrossesMidnightAndMonthInItsTimeZone) {
    VirtualLoop loop;
    loop.setUtcOffsetMinutes(180);
    loop.setLocalDateTime({2026, 12, 31, 23, 59, 59, 500});
    auto t = loop.now();
    EXPECT_EQ(t.day, 31);
    EXPECT_EQ(t.dayOfWeek, 5);  // Thursday
    loop.advance(500);
    t = loop.now();
    EXPECT_EQ(t.year, 2027);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.dayOfWeek, 6);    // Friday
    loop.setUtcOffsetMinutes(0);  // the same instant three hours to the west
    EXPECT_EQ(loop.now().day, 31);
    EXPECT_EQ(loop.now().hour, 21);
}
