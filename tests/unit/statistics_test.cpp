#include <gtest/gtest.h>

#include "form/statistics.h"

using namespace velmor;

TEST(Statistics, DurationAndDisplayTexts) {
    EXPECT_EQ(durationText(0), "0.00:00:00");
    EXPECT_EQ(durationText(59), "0.00:00:59");
    EXPECT_EQ(durationText(3724), "0.01:02:04");
    EXPECT_EQ(durationText(86400 + 3661), "1.01:01:01");
    EXPECT_EQ(durationText(864000), "10.00:00:00");
    EXPECT_EQ(durationText(5000000000LL), "57870.08:53:20");  // no 32-bit overflow
    EXPECT_EQ(trafficText({1500, 300}, ','), "1,46 / 0,29");
    EXPECT_EQ(trafficText({1048, 0}, ','), "1,02 / 0,00");
    EXPECT_EQ(moneyText(0, ','), "0,00");
}

TEST(Statistics, TwoSessionsAccumulateTotalsWhileTheSessionShowsOnlyItsOwn) {
    Statistics s;
    s.trafficAll.set({100, 10});
    s.sessionStart();
    s.trafficUpdate(1500000, 300000);
    EXPECT_EQ(s.trafficAll.current, (TrafficPair{1600, 310}));
    s.trafficUpdate(2000999, 300000);  // counters only grow within a session
    EXPECT_EQ(s.trafficSession, (TrafficPair{2000, 300}));
    s.sessionStart();
    s.trafficUpdate(5000, 1000);
    EXPECT_EQ(s.trafficSession, (TrafficPair{5, 1}));
    EXPECT_EQ(s.trafficAll.current, (TrafficPair{2105, 311}));
    s.countSecond();
    EXPECT_EQ(s.inCurrentLast, 1);
    EXPECT_EQ(s.inInternetAll, 1);
}

TEST(Statistics, NewDayAndNewMonth) {
    // From an older file only the day of the month is known.
    Statistics s;
    s.stored = s.entryStored = {0, 0, 20};
    s.inInternetDay = 50;
    s.inInternetMonth = 500;
    s.inInternetCurrentMonth = 300;
    s.trafficMonth.set({700, 70});
    s.trafficToday.set({30, 3});
    s.dengiToday = 1.5;
    s.dengiMonth = 10;
    s.rollover({2026, 11, 20});  // same day: nothing
    EXPECT_EQ(s.inInternetDay, 50);
    EXPECT_EQ(s.stored, (StatDate{2026, 11, 20}));

    s.rollover({2026, 11, 21});  // a new day in the same month
    EXPECT_EQ(s.inInternetDay, 0);
    EXPECT_EQ(s.trafficToday.current, (TrafficPair{}));
    EXPECT_EQ(s.dengiToday, 0);
    EXPECT_EQ(s.inInternetMonth, 500);

    s.rollover({2026, 12, 1});  // a new month
    EXPECT_EQ(s.inInternetLastMonth, 500);
    EXPECT_EQ(s.inInternetMonth, 0);
    EXPECT_EQ(s.inInternetCurrentLastMonth, 300);
    EXPECT_EQ(s.trafficLastMonth, (TrafficPair{700, 70}));
    EXPECT_EQ(s.trafficMonth.current, (TrafficPair{}));
    EXPECT_EQ(s.dengiLastMonth, 10);
    s.rollover({2026, 12, 1});  // applied once
    EXPECT_EQ(s.inInternetLastMonth, 500);

    // With full dates the same day of the next month is a new month, and the entry's month
    // figures follow the entry's own date.
    s.inInternetMonth = 40;
    s.inInternetCurrentMonth = 30;
    s.entryStored = {2026, 11, 15};
    s.rollover({2026, 12, 1});
    EXPECT_EQ(s.inInternetMonth, 40);
    EXPECT_EQ(s.inInternetCurrentLastMonth, 30);
    EXPECT_EQ(s.inInternetCurrentMonth, 0);
    s.inInternetDay = 9;
    s.rollover({2027, 1, 1});
    EXPECT_EQ(s.inInternetDay, 0);
    EXPECT_EQ(s.inInternetLastMonth, 40);
    // Last saved in October, started in December: nothing was counted in November.
    s.stored = {2026, 10, 31};
    s.entryStored = {2025, 12, 1};  // a year ago to the day
    s.inInternetMonth = s.inInternetCurrentMonth = 70;
    s.trafficMonth.set({7, 7});
    s.dengiMonth = s.dengiCurrentMonth = 7;
    s.rollover({2026, 12, 1});
    EXPECT_EQ(s.inInternetLastMonth, 0);
    EXPECT_EQ(s.trafficLastMonth, (TrafficPair{}));
    EXPECT_EQ(s.dengiLastMonth, 0);
    EXPECT_EQ(s.inInternetCurrentLastMonth, 0);
    EXPECT_EQ(s.dengiCurrentLastMonth, 0);
    EXPECT_EQ(s.inInternetMonth, 0);
    // No stored date: nothing moves.
    Statistics fresh;
    fresh.inInternetDay = 5;
    fresh.rollover({2026, 12, 7});
    EXPECT_EQ(fresh.inInternetDay, 5);
}

TEST(Statistics, SessionOverMidnightRestartsTodayButNotTheSession) {
    Statistics s;
    s.stored = s.entryStored = {2026, 12, 6};
    s.sessionStart();
    s.trafficUpdate(10000, 2000);  // 10 kB before midnight
    s.rollover({2026, 12, 7});
    EXPECT_EQ(s.trafficToday.current, (TrafficPair{}));
    s.trafficUpdate(25000, 5000);
    EXPECT_EQ(s.trafficToday.current, (TrafficPair{15, 3}));
    EXPECT_EQ(s.trafficAll.current, (TrafficPair{25, 5}));
    EXPECT_EQ(s.trafficSession, (TrafficPair{25, 5}));
}
