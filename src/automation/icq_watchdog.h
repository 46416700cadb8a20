// The watchdog that closes a top-level window titled exactly " ICQ", as soon as one appears or a
// window takes that title.
#pragma once

#include <memory>
#include <set>

#include "platform/event_loop.h"
#include "platform/processes.h"

namespace velmor {

inline constexpr const char* kIcqTitle = " ICQ";

class IcqWatchdog {
  public:
    explicit IcqWatchdog(EventLoop& loop);
    ~IcqWatchdog();
    IcqWatchdog(const IcqWatchdog&) = delete;
    IcqWatchdog& operator=(const IcqWatchdog&) = delete;

    // The watch runs from start to exit while there is a display to watch; it costs no wake-ups
    // while no window is created or retitled. Without a display (no window service, or no X
    // display) nothing is watched.
    void setWindows(WindowService* windows);
    bool watching() const { return watching_; }

    // Asks every top-level window titled exactly " ICQ" to close; run when the window service
    // has seen such a window.
    void TimerICQTimer();

  private:
    EventLoop& loop_;
    WindowService* windows_ = nullptr;
    bool watching_ = false;
    std::set<WindowId> asked_;  // asked to close, and still titled so when last looked at
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace velmor
