// The figures of the statistics pages, which the form holds between a load and a save: time,
// traffic and money accumulators with their daily and monthly rollover and display texts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event_loop.h"
#include "platform/locale_format.h"

namespace velmor {

// Received and sent kilobytes (of 1000 bytes).
struct TrafficPair {
    std::int64_t in = 0;
    std::int64_t out = 0;
    friend bool operator==(const TrafficPair&, const TrafficPair&) = default;
};

// A running traffic figure: the current value is the base plus the session's kilobytes.
struct RunningTraffic {
    TrafficPair base;
    TrafficPair current;
    void set(TrafficPair v) { base = current = v; }
    friend bool operator==(const RunningTraffic&, const RunningTraffic&) = default;
};

// A date as the settings file keeps it: the full date, or from an older file only the day of
// the month (year and month 0); day 0 means none.
struct StatDate {
    int year = 0;
    int month = 0;
    int day = 0;
    static StatDate of(const LocalDateTime& t) { return {t.year, t.month, t.day}; }
    bool full() const { return year != 0; }
    friend bool operator==(const StatDate&, const StatDate&) = default;
};

// Whether today is another day, or another month, than a stored date (never without one).
bool newDay(const StatDate& stored, const LocalDateTime& today);
bool newMonth(const StatDate& stored, const LocalDateTime& today);
// Whether a whole month lies between a full stored date and today (an older file cannot tell).
bool monthSkipped(const StatDate& stored, const LocalDateTime& today);

struct Statistics {
    // Seconds on line.
    std::int64_t inInternetAll = 0;
    std::int64_t inInternetDay = 0;
    std::int64_t inInternetMonth = 0;
    std::int64_t inInternetLastMonth = 0;
    std::int64_t inCurrentAll = 0;                // this connection, all time
    std::int64_t inInternetCurrentMonth = 0;      // this connection, this month
    std::int64_t inInternetCurrentLastMonth = 0;  // this connection, last month
    std::int64_t inCurrentLast = 0;               // the current or last session

    // Kilobytes.
    RunningTraffic trafficAll;
    RunningTraffic trafficMonth;
    RunningTraffic trafficToday;
    RunningTraffic trafficCurrent;       // this connection, all
    RunningTraffic trafficCurrentMonth;  // this connection, this month
    TrafficPair trafficLastMonth;
    TrafficPair trafficCurrentLastMonth;
    TrafficPair trafficSession;

    // Money in the user's units.
    double dengiAll = 0;
    double dengiMonth = 0;
    double dengiLastMonth = 0;
    double dengiToday = 0;
    double dengiCurrentAll = 0;
    double dengiCurrentMonth = 0;
    double dengiCurrentLastMonth = 0;
    double dengiLast = 0;

    // The date the figures belong to (of the last load or save): that of the program-wide
    // figures and that of the entry's month figures, which the entry's own section keeps.
    StatDate stored;
    StatDate entryStored;

    // A new day resets today's figures; a new month also moves this month into last month, the
    // entry's month by its own date, or clears last month when a whole month lies between. Both
    // dates then become today. With a full stored date a new day and month are told by the
    // calendar; with only a day of the month (an older file), a different day is a new day and a
    // smaller one a new month. No stored day: nothing moves.
    void rollover(const LocalDateTime& today);
    // Bases take the current values; the session's seconds, traffic and money start from zero.
    void sessionStart();
    // One second on line.
    void countSecond();
    // The traffic counters' byte totals of the running session.
    void trafficUpdate(std::uint64_t bytesIn, std::uint64_t bytesOut);

    friend bool operator==(const Statistics&, const Statistics&) = default;
};

// D.HH:MM:SS ("0.00:00:00", "1.01:01:01").
std::string durationText(std::int64_t seconds);
// Received / sent in megabytes of 1024 kilobytes with two decimals ("1,46 / 0,29").
std::string trafficText(const TrafficPair& kb, char decimalSeparator);
// Two decimals ("0,00").
std::string moneyText(double v, char decimalSeparator);

}  // namespace velmor
