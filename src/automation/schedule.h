// The daily scheduled dial and hang-up of the page "Таймер", with the power-off after the hang-up.
#pragma once

#include <functional>

#include "automation/alarm_clock.h"
#include "form/form_model.h"
#include "platform/shutdown.h"

namespace velmor {

class Schedule {
  public:
    struct Hooks {
        std::function<void()> dialAction;    // the dial button's action
        std::function<void()> saveSettings;  // all settings of the selected entry
        std::function<void()> changed;       // the model changed outside a handler
    };

    Schedule(EventLoop& loop, MainForm& model, Hooks hooks);

    ScheduleClocks Clocks;
    TAlarmClock& DialClock() { return Clocks.DialClock; }
    TAlarmClock& HangClock() { return Clocks.HangClock; }

    void setShutdown(ShutdownService* shutdown) { shutdown_ = shutdown; }

    // Arms or disarms both alarms from the page (the first steps of "Применить", and the end of
    // loading the settings).
    void apply();
    void DialClockAlarm();
    void HangClockAlarm();

  private:
    MainForm& m_;
    Hooks hooks_;
    ShutdownService* shutdown_ = nullptr;
};

}  // namespace velmor
