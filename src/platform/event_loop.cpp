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

std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + static_cast<unsigned>(d) - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0));
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

WallTimer::WallTimer(EventLoop& loop)
    : backend_(loop.createWallTimerBackend([this] {
          armed_ = false;
          if (onTimer) onTimer();
      })) {}

WallTimer::~WallTimer() {
    backend_->stop();
}

void WallTimer::arm(const LocalDateTime& at) {
    armed_ = true;
    backend_->arm(at);
}

void WallTimer::stop() {
    armed_ = false;
    backend_->stop();
}

}  // namespace velmor
