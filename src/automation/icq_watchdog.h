// The watchdog that closes a top-level window titled exactly " ICQ" (TimerICQ, every second).
#pragma once

#include "platform/event_loop.h"
#include "platform/processes.h"

namespace velmor {

inline constexpr const char* kIcqTitle = " ICQ";

class IcqWatchdog {
  public:
    explicit IcqWatchdog(EventLoop& loop);

    // The timer runs from start to exit while there is a display to watch; without one (no
    // window service, or no X display) it stays off and costs no wake-ups.
    void setWindows(WindowService* windows);

    Timer TimerICQ;
    void TimerICQTimer();

  private:
    WindowService* windows_ = nullptr;
};

}  // namespace velmor
