#include "platform/event_loop.h"

namespace velmor {

LocalDateTime withDayOfWeek(LocalDateTime t) {
    // Sakamoto's method: 0 = Sunday.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = t.year;
    if (t.month < 3) y -= 1;
    const int dow = (y + y / 4 - y / 100 + y / 400 + offsets[(t.month - 1) % 12] + t.day) % 7;
    t.dayOfWeek = dow + 1;
    return t;
}

Timer::Timer(EventLoop& loop, int intervalMs, bool enabled)
    : backend_(loop.createTimerBackend([this] { fire(); })), interval_(intervalMs) {
    setEnabled(enabled);
}

Timer::~Timer() {
    backend_->stop();
}

void Timer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    restart();
}

void Timer::setInterval(int ms) {
    if (ms == interval_) return;
    interval_ = ms;
    restart();
}

void Timer::restart() {
    if (enabled_ && interval_ > 0) {
        backend_->start(interval_);
    } else {
        backend_->stop();
    }
}

void Timer::fire() {
    if (!enabled_) return;
    if (onTimer) onTimer();
}

}  // namespace velmor
