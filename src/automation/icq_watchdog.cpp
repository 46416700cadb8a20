#include "automation/icq_watchdog.h"

namespace velmor {

IcqWatchdog::IcqWatchdog(EventLoop& loop) : TimerICQ(loop, 1000) {
    TimerICQ.onTimer = [this] { TimerICQTimer(); };
}

void IcqWatchdog::setWindows(WindowService* windows) {
    windows_ = windows;
    TimerICQ.setEnabled(windows_ && windows_->available());
}

void IcqWatchdog::TimerICQTimer() {
    if (!windows_) return;
    for (const WindowInfo& w : windows_->topLevelWindows()) {
        if (w.title == kIcqTitle) {
            windows_->close(w.id);
            return;
        }
    }
}

}  // namespace velmor
