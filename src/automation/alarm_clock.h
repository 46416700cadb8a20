// A daily alarm at an hour and minute (TAlarmClock), and the one timer that drives the schedule's
// two alarm clocks and shows the time of day.
#pragma once

#include <cstdint>
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
    // it, that is after midnight). It never rings twice on one day at one time: not after its time
    // is set again within its minute, nor after the system's clock was set back over it.
    bool waiting() const;

    std::function<void()> OnAlarm;

    // One tick at the time now: rings in the alarm minute when waiting.
    void tick(const LocalDateTime& now);
    // True when now lies in the alarm minute.
    bool inAlarmMinute(const LocalDateTime& now) const;

  private:
    void recompute(const LocalDateTime& now);
    // It has rung today at its present time.
    bool rangOn(const LocalDateTime& now) const;

    const Clock& clock_;
    int hour_ = 0;
    int minute_ = 0;
    bool waiting_ = true;
    // The day (days since the epoch) and the minute of the day of the last ringing.
    std::int64_t rangDay_ = -1;
    int rangMinute_ = -1;
};

// The clocks of the page "Таймер". The alarms keep the rule of a 450 ms tick: an alarm rings at
// the first tick of its minute. Since the alarms' state changes only at the start and the end of
// an alarm minute and at midnight, the one timer sleeps on the calendar clock from one of those
// moments to the next, waking just after it (and when the system's clock is set); while the
// clocks are on screen it also wakes after each minute boundary to show the time. With no alarm
// armed and the clocks out of sight it does not wake at all.
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
    // The clocks came into sight (the time shown is brought up to date at once) or went out of it.
    void setDisplayed(bool displayed);
    // One tick of both clocks, as the timer runs it.
    void tick();

  private:
    void showTime(const LocalDateTime& now);
    void rearm(const LocalDateTime& now);

    EventLoop& loop_;
    WallTimer timer_;
    std::function<void(const std::string&)> show_;
    std::string shown_;
    bool displayed_ = false;
};

}  // namespace velmor
