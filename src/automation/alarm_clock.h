// A daily alarm at an hour and minute (TAlarmClock), and the one timer that drives the schedule's
// two alarm clocks and shows the time of day.
#pragma once

#include <functional>
#include <string>

#include "platform/event_loop.h"

namespace velmor {

class TAlarmClock {
  public:
    explicit TAlarmClock(const Clock& clock) : clock_(clock) {}

    // Setting the hour or the minute decides at once whether the alarm is still to come today.
    void setAlarmHour(int hour);
    void setAlarmMinute(int minute);
    int AlarmHour() const { return hour_; }
    int AlarmMinute() const { return minute_; }
    bool AlarmEnabled = false;
    // The alarm is still to ring (cleared when it rings, set again once the time of day is before
    // it, that is after midnight).
    bool waiting() const { return waiting_; }

    std::function<void()> OnAlarm;

    // One tick at the time now: rings in the alarm minute when waiting.
    void tick(const LocalDateTime& now);
    // True when now lies in the alarm minute.
    bool inAlarmMinute(const LocalDateTime& now) const;

  private:
    void recompute(const LocalDateTime& now);

    const Clock& clock_;
    int hour_ = 0;
    int minute_ = 0;
    bool waiting_ = true;
};

// The clocks of the page "Таймер". The alarms keep the rule of a 450 ms tick: an alarm rings at
// the first tick of its minute. Since nothing changes between minute boundaries, the timer
// sleeps from one boundary to the next, waking just after each; an apply wakes it within 450 ms.
class ScheduleClocks {
  public:
    static constexpr int kTickMs = 450;
    static constexpr int kAfterBoundaryMs = 10;

    // show: the time of day as the clocks display it ("HH:MM"); changed: the model changed.
    ScheduleClocks(EventLoop& loop, std::function<void(const std::string& time)> show);

    TAlarmClock DialClock;
    TAlarmClock HangClock;

    // Starts the clocks (the display at once, the alarms from the next tick).
    void start();
    // The alarms were set: the next tick comes within kTickMs.
    void alarmsChanged();
    // One tick of both clocks, as the timer runs it.
    void tick();

  private:
    void rearm(int ms);

    EventLoop& loop_;
    Timer timer_;
    std::function<void(const std::string&)> show_;
    std::string shown_;
};

}  // namespace velmor
