#include "automation/alarm_clock.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace velmor {

void TAlarmClock::setAlarmHour(int hour) {
    hour_ = std::clamp(hour, 0, 23);
    recompute(clock_.now());
}

void TAlarmClock::setAlarmMinute(int minute) {
    minute_ = std::clamp(minute, 0, 59);
    recompute(clock_.now());
}

void TAlarmClock::recompute(const LocalDateTime& now) {
    const int nowSeconds = now.hour * 3600 + now.minute * 60 + now.second;
    const int alarmSeconds = hour_ * 3600 + minute_ * 60;
    waiting_ = nowSeconds < alarmSeconds || alarmSeconds == 0;
}

bool TAlarmClock::rangOn(const LocalDateTime& now) const {
    return rangDay_ == daysFromCivil(now.year, now.month, now.day) &&
           rangMinute_ == hour_ * 60 + minute_;
}

bool TAlarmClock::waiting() const {
    return waiting_ && !rangOn(clock_.now());
}

bool TAlarmClock::inAlarmMinute(const LocalDateTime& now) const {
    return now.hour == hour_ && now.minute == minute_;
}

void TAlarmClock::tick(const LocalDateTime& now) {
    if (AlarmEnabled && inAlarmMinute(now)) {
        // Once in the minute: a tick after the alarm has rung waits for the next day.
        if (waiting_ && !rangOn(now)) {
            waiting_ = false;
            rangDay_ = daysFromCivil(now.year, now.month, now.day);
            rangMinute_ = hour_ * 60 + minute_;
            if (OnAlarm) OnAlarm();
        }
        return;
    }
    recompute(now);
}

namespace {

constexpr std::int64_t kDayMs = 24 * 3600 * 1000LL;

std::int64_t msOfDay(const LocalDateTime& t) {
    return t.hour * 3600000LL + t.minute * 60000LL + t.second * 1000LL + t.millisecond;
}

// The local date and time ms after the midnight that starts the day of t (ms may pass a day).
LocalDateTime atMsOfDay(const LocalDateTime& t, std::int64_t ms) {
    int y = t.year, m = t.month, d = t.day;
    civilFromDays(daysFromCivil(y, m, d) + ms / kDayMs, y, m, d);
    ms %= kDayMs;
    return withDayOfWeek({y, m, d, static_cast<int>(ms / 3600000),
                          static_cast<int>(ms / 60000 % 60), static_cast<int>(ms / 1000 % 60),
                          static_cast<int>(ms % 1000)});
}

}  // namespace

ScheduleClocks::ScheduleClocks(EventLoop& loop, std::function<void(const std::string&)> show)
    : DialClock(loop), HangClock(loop), loop_(loop), timer_(loop), show_(std::move(show)) {
    timer_.onTimer = [this] { tick(); };
}

void ScheduleClocks::start() {
    const LocalDateTime now = loop_.now();
    showTime(now);
    rearm(now);
}

void ScheduleClocks::alarmsChanged() {
    const LocalDateTime now = loop_.now();
    rearm(now);
    // An alarm set into its own minute while still waiting (00:00 at midnight) rings at once.
    for (const TAlarmClock* c : {&DialClock, &HangClock}) {
        if (c->AlarmEnabled && c->waiting() && c->inAlarmMinute(now)) timer_.arm(now);
    }
}

void ScheduleClocks::setDisplayed(bool displayed) {
    if (displayed == displayed_) return;
    displayed_ = displayed;
    // A tick at once brings the time shown up to date.
    const LocalDateTime now = loop_.now();
    if (displayed_) {
        timer_.arm(now);
    } else {
        rearm(now);
    }
}

void ScheduleClocks::showTime(const LocalDateTime& now) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", now.hour % 100, now.minute % 100);
    if (text == shown_) return;
    shown_ = text;
    if (show_) show_(shown_);
}

void ScheduleClocks::rearm(const LocalDateTime& now) {
    // The moments of the day after which a tick may change something.
    const std::int64_t into = msOfDay(now);
    std::int64_t next = -1;
    auto consider = [&](std::int64_t boundary) {
        std::int64_t at = boundary + kAfterBoundaryMs;
        while (at <= into)
            at += kDayMs;
        if (next < 0 || at < next) next = at;
    };
    for (const TAlarmClock* c : {&DialClock, &HangClock}) {
        if (!c->AlarmEnabled) continue;
        const std::int64_t start = c->AlarmHour() * 3600000LL + c->AlarmMinute() * 60000LL;
        consider(start);          // it rings
        consider(start + 60000);  // its minute is over
        consider(0);              // a new day: it waits again
    }
    if (displayed_) consider(into - into % 60000 + 60000);
    if (next < 0) {
        timer_.stop();
        return;
    }
    timer_.arm(atMsOfDay(now, next));
}

void ScheduleClocks::tick() {
    const LocalDateTime now = loop_.now();
    // The next tick first: an alarm handler may take its time or set the alarms anew.
    rearm(now);
    showTime(now);
    DialClock.tick(now);
    HangClock.tick(now);
}

}  // namespace velmor
