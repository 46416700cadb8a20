#include "form/statistics.h"

#include <cstdio>

#include "form/number_text.h"

namespace velmor {
namespace {

TrafficPair operator+(TrafficPair a, TrafficPair b) {
    return {a.in + b.in, a.out + b.out};
}
TrafficPair operator-(TrafficPair a, TrafficPair b) {
    return {a.in - b.in, a.out - b.out};
}

// Starts a running figure afresh: from here on it counts only what comes.
void restart(RunningTraffic& t) {
    t.base = t.base - t.current;
    t.current = {};
}

}  // namespace

bool newDay(const StatDate& stored, const LocalDateTime& today) {
    if (stored.day == 0) return false;
    if (!stored.full()) return today.day != stored.day;
    return !(stored == StatDate::of(today));
}

bool newMonth(const StatDate& stored, const LocalDateTime& today) {
    if (stored.day == 0) return false;
    if (!stored.full()) return today.day < stored.day;
    return stored.year != today.year || stored.month != today.month;
}

bool monthSkipped(const StatDate& stored, const LocalDateTime& today) {
    if (!stored.full()) return false;
    return (today.year * 12 + today.month) - (stored.year * 12 + stored.month) > 1;
}

void Statistics::rollover(const LocalDateTime& today) {
    if (newDay(stored, today)) {
        inInternetDay = 0;
        restart(trafficToday);
        dengiToday = 0;
    }
    if (newMonth(stored, today)) {
        // The stored month is last month only when it is the one just before this one.
        const bool last = !monthSkipped(stored, today);
        inInternetLastMonth = last ? inInternetMonth : 0;
        inInternetMonth = 0;
        trafficLastMonth = last ? trafficMonth.current : TrafficPair{};
        restart(trafficMonth);
        dengiLastMonth = last ? dengiMonth : 0;
        dengiMonth = 0;
    }
    if (newMonth(entryStored, today)) {
        const bool last = !monthSkipped(entryStored, today);
        inInternetCurrentLastMonth = last ? inInternetCurrentMonth : 0;
        inInternetCurrentMonth = 0;
        trafficCurrentLastMonth = last ? trafficCurrentMonth.current : TrafficPair{};
        restart(trafficCurrentMonth);
        dengiCurrentLastMonth = last ? dengiCurrentMonth : 0;
        dengiCurrentMonth = 0;
    }
    stored = entryStored = StatDate::of(today);
}

void Statistics::sessionStart() {
    for (RunningTraffic* t :
         {&trafficAll, &trafficMonth, &trafficToday, &trafficCurrent, &trafficCurrentMonth}) {
        t->base = t->current;
    }
    trafficSession = {};
    inCurrentLast = 0;
    dengiLast = 0;
}

void Statistics::countSecond() {
    ++inInternetAll;
    ++inInternetDay;
    ++inInternetMonth;
    ++inCurrentAll;
    ++inInternetCurrentMonth;
    ++inCurrentLast;
}

void Statistics::trafficUpdate(std::uint64_t bytesIn, std::uint64_t bytesOut) {
    trafficSession = {static_cast<std::int64_t>(bytesIn / 1000),
                      static_cast<std::int64_t>(bytesOut / 1000)};
    for (RunningTraffic* t :
         {&trafficAll, &trafficMonth, &trafficToday, &trafficCurrent, &trafficCurrentMonth}) {
        t->current = t->base + trafficSession;
    }
}

std::string durationText(std::int64_t seconds) {
    if (seconds < 0) seconds = 0;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%lld.%02d:%02d:%02d", static_cast<long long>(seconds / 86400),
                  static_cast<int>(seconds % 86400 / 3600), static_cast<int>(seconds % 3600 / 60),
                  static_cast<int>(seconds % 60));
    return buf;
}

std::string trafficText(const TrafficPair& kb, char decimalSeparator) {
    return formatFixed(static_cast<double>(kb.in) / 1024.0, 2, decimalSeparator) + " / " +
           formatFixed(static_cast<double>(kb.out) / 1024.0, 2, decimalSeparator);
}

std::string moneyText(double v, char decimalSeparator) {
    return formatFixed(v, 2, decimalSeparator);
}

}  // namespace velmor
