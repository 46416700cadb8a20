#include "automation/schedule.h"

namespace velmor {

Schedule::Schedule(EventLoop& loop, MainForm& model, Hooks hooks)
    : Clocks(loop,
             [this](const std::string& time) {
                 m_.timer.DialClock.caption = time;
                 m_.timer.HangClock.caption = time;
                 if (hooks_.changed) hooks_.changed();
             }),
      m_(model),
      hooks_(std::move(hooks)) {
    Clocks.DialClock.OnAlarm = [this] { DialClockAlarm(); };
    Clocks.HangClock.OnAlarm = [this] { HangClockAlarm(); };
}

void Schedule::apply() {
    const TimerPage& t = m_.timer;
    auto arm = [](TAlarmClock& clock, bool on, const UpDown& hour, const UpDown& minute) {
        if (on) {
            clock.setAlarmHour(hour.position);
            clock.setAlarmMinute(minute.position);
        }
        // Disarmed, the alarm keeps its time.
        clock.AlarmEnabled = on;
    };
    arm(Clocks.DialClock, t.TimerDialCheck.checked, t.DialHourUpDown, t.DialMinuteUpDown);
    arm(Clocks.HangClock, t.TimerHangCheck.checked, t.HangHourUpDown, t.HangMinuteUpDown);
    Clocks.alarmsChanged();
}

void Schedule::DialClockAlarm() {
    TimerPage& t = m_.timer;
    // Only an idle dialer dials; dialling or connected, nothing is started.
    if (m_.conn.Button1.caption == kDialCaption && hooks_.dialAction) hooks_.dialAction();
    if (!t.TimerDialRepCheck.checked) {
        t.TimerDialCheck.checked = false;
        t.Button13.enabled = true;
        Clocks.DialClock.AlarmEnabled = false;
    }
    if (hooks_.changed) hooks_.changed();
}

void Schedule::HangClockAlarm() {
    TimerPage& t = m_.timer;
    // Dialling, this aborts the attempt; connected, it hangs up.
    if (m_.conn.Button1.caption != kDialCaption && hooks_.dialAction) hooks_.dialAction();
    if (!t.TimerHangRepCheck.checked) {
        t.TimerHangCheck.checked = false;
        t.Button13.enabled = true;
        Clocks.HangClock.AlarmEnabled = false;
    }
    // The statistics go to disk before the computer goes down.
    if (hooks_.saveSettings) hooks_.saveSettings();
    if (hooks_.changed) hooks_.changed();
    if (t.PowerCheck.checked && shutdown_) {
        // A refused power-off changes nothing and shows nothing.
        shutdown_->ExitWindowsWithPrivilege(t.ForceCheck.checked ? EWX_SHUTDOWN | EWX_FORCE
                                                                 : EWX_SHUTDOWN);
    }
}

}  // namespace velmor
