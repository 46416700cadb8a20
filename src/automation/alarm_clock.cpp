#include "automation/alarm_clock.h"

#include <algorithm>
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

bool TAlarmClock::inAlarmMinute(const LocalDateTime& now) const {
    return now.hour == hour_ && now.minute == minute_;
}

void TAlarmClock::tick(const LocalDateTime& now) {
    if (AlarmEnabled && inAlarmMinute(now)) {
        // Once in the minute: a tick after the alarm has rung waits for the next day.
        if (waiting_) {
            waiting_ = false;
            if (OnAlarm) OnAlarm();
        }
        return;
    }
    recompute(now);
}

ScheduleClocks::ScheduleClocks(EventLoop& loop, std::function<void(const std::string&)> show)
    : DialClock(loop), HangClock(loop), loop_(loop), timer_(loop, kTickMs), show_(std::move(show)) {
    timer_.onTimer = [this] { tick(); };
}

void ScheduleClocks::start() {
    const LocalDateTime now = loop_.now();
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", now.hour % 100, now.minute % 100);
    shown_ = text;
    if (show_) show_(shown_);
    const int intoMinute = now.second * 1000 + now.millisecond;
    rearm(60000 - intoMinute + kAfterBoundaryMs);
}

void ScheduleClocks::alarmsChanged() {
    const LocalDateTime now = loop_.now();
    const int toBoundary = 60000 - (now.second * 1000 + now.millisecond) + kAfterBoundaryMs;
    rearm(std::min(kTickMs, toBoundary));
}

void ScheduleClocks::rearm(int ms) {
    timer_.setEnabled(false);
    timer_.setInterval(std::max(1, ms));
    timer_.setEnabled(true);
}

void ScheduleClocks::tick() {
    const LocalDateTime now = loop_.now();
    // The next tick first: an alarm handler may take its time or set the alarms anew.
    const int intoMinute = now.second * 1000 + now.millisecond;
    rearm(60000 - intoMinute + kAfterBoundaryMs);
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", now.hour % 100, now.minute % 100);
    if (text != shown_) {
        shown_ = text;
        if (show_) show_(shown_);
    }
    DialClock.tick(now);
    HangClock.tick(now);
}

}  // namespace velmor
