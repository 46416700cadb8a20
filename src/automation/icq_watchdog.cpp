#include "automation/icq_watchdog.h"

namespace velmor {

IcqWatchdog::IcqWatchdog(EventLoop& loop) : loop_(loop) {}

IcqWatchdog::~IcqWatchdog() {
    setWindows(nullptr);
    *alive_ = false;
}

void IcqWatchdog::setWindows(WindowService* windows) {
    if (windows_ && watching_) windows_->watchTitle(kIcqTitle, nullptr);
    windows_ = windows;
    watching_ = false;
    if (!windows_) return;
    // Told on the service's thread; the windows are closed on this one.
    watching_ = windows_->watchTitle(kIcqTitle, [&loop = loop_, this, alive = alive_] {
        loop.post([this, alive] {
            if (*alive) TimerICQTimer();
        });
    });
}

void IcqWatchdog::TimerICQTimer() {
    if (!windows_) return;
    // A window is told again when the window manager has taken it on: one already asked to
    // close is not asked twice while it keeps the title.
    std::set<WindowId> titled;
    for (const WindowInfo& w : windows_->topLevelWindows()) {
        if (w.title != kIcqTitle) continue;
        if (!asked_.contains(w.id)) windows_->close(w.id);
        titled.insert(w.id);
    }
    asked_ = std::move(titled);
}

}  // namespace velmor
