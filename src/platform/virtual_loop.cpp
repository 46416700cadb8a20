#include "platform/virtual_loop.h"

#include <algorithm>

namespace velmor {

class VirtualLoop::Backend : public TimerBackend {
  public:
    Backend(VirtualLoop& loop, std::function<void()> fire) : loop_(loop) {
        slot_.fire = std::move(fire);
        loop_.slots_.push_back(&slot_);
    }
    ~Backend() override {
        auto& v = loop_.slots_;
        v.erase(std::remove(v.begin(), v.end(), &slot_), v.end());
    }
    void start(int intervalMs) override {
        slot_.armed = true;
        slot_.interval = intervalMs;
        slot_.due = loop_.utcMs_ + intervalMs;
        slot_.seq = ++loop_.seq_;
    }
    void stop() override { slot_.armed = false; }

  private:
    VirtualLoop& loop_;
    Slot slot_;
};

class VirtualLoop::WallBackend : public WallTimerBackend {
  public:
    WallBackend(VirtualLoop& loop, std::function<void()> fire) : loop_(loop) {
        slot_.fire = std::move(fire);
        slot_.wall = true;
        loop_.slots_.push_back(&slot_);
    }
    ~WallBackend() override {
        auto& v = loop_.slots_;
        v.erase(std::remove(v.begin(), v.end(), &slot_), v.end());
    }
    void arm(const LocalDateTime& at) override {
        const std::int64_t local = daysFromCivil(at.year, at.month, at.day) * 86400000 +
                                   at.hour * 3600000LL + at.minute * 60000LL + at.second * 1000LL +
                                   at.millisecond;
        slot_.armed = true;
        slot_.due = std::max(local - loop_.offsetMs_, loop_.utcMs_);
        slot_.seq = ++loop_.seq_;
    }
    void stop() override { slot_.armed = false; }

  private:
    VirtualLoop& loop_;
    Slot slot_;
};

VirtualLoop::VirtualLoop() {
    // Monday 7 December 2026, 12:00:00 local time.
    setLocalDateTime({2026, 12, 7, 12, 0, 0, 0, 2});
}

VirtualLoop::~VirtualLoop() = default;

LocalDateTime VirtualLoop::now() const {
    const std::int64_t local = utcMs_ + offsetMs_;
    std::int64_t days = local / 86400000;
    std::int64_t rest = local % 86400000;
    if (rest < 0) {
        rest += 86400000;
        days -= 1;
    }
    LocalDateTime t;
    civilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600000);
    t.minute = static_cast<int>(rest / 60000 % 60);
    t.second = static_cast<int>(rest / 1000 % 60);
    t.millisecond = static_cast<int>(rest % 1000);
    return withDayOfWeek(t);
}

void VirtualLoop::setLocalDateTime(const LocalDateTime& t) {
    const std::int64_t local = daysFromCivil(t.year, t.month, t.day) * 86400000 +
                               t.hour * 3600000LL + t.minute * 60000LL + t.second * 1000LL +
                               t.millisecond;
    const std::int64_t newUtc = local - offsetMs_;
    // Moving the clock does not move the timers' due times relative to it; the calendar
    // timers are told at once.
    const std::int64_t delta = newUtc - utcMs_;
    for (Slot* s : slots_)
        s->due = s->wall ? newUtc : s->due + delta;
    utcMs_ = newUtc;
}

void VirtualLoop::setUtcOffsetMinutes(int minutes) {
    offsetMs_ = minutes * 60000LL;
}

void VirtualLoop::post(std::function<void()> work) {
    std::lock_guard<std::mutex> lock(postedMutex_);
    posted_.push_back(std::move(work));
}

bool VirtualLoop::runPosted() {
    bool any = false;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard<std::mutex> lock(postedMutex_);
            if (posted_.empty()) break;
            work = std::move(posted_.front());
            posted_.pop_front();
        }
        any = true;
        work();
    }
    return any;
}

bool VirtualLoop::fireOneDue(std::int64_t limit) {
    Slot* best = nullptr;
    for (Slot* s : slots_) {
        if (!s->armed || s->due > limit) continue;
        if (!best || s->due < best->due || (s->due == best->due && s->seq < best->seq)) best = s;
    }
    if (!best) return false;
    if (best->due > utcMs_) {
        ticks_ += static_cast<std::uint64_t>(best->due - utcMs_);
        utcMs_ = best->due;
    }
    // Re-arm before firing so that a handler that stops or restarts the timer has the last word.
    best->due = utcMs_ + best->interval;
    best->seq = ++seq_;
    if (best->wall) best->armed = false;
    ++firings_;
    auto fire = best->fire;  // the handler may destroy the timer
    fire();
    return true;
}

void VirtualLoop::processMessages() {
    runPosted();
    while (fireOneDue(utcMs_))
        runPosted();
}

void VirtualLoop::runPending() {
    processMessages();
}

void VirtualLoop::sleepMs(int ms) {
    if (ms <= 0) return;
    utcMs_ += ms;
    ticks_ += static_cast<std::uint64_t>(ms);
}

void VirtualLoop::advance(std::int64_t ms) {
    const std::int64_t target = utcMs_ + ms;
    runPosted();
    while (fireOneDue(target))
        runPosted();
    if (target > utcMs_) {
        ticks_ += static_cast<std::uint64_t>(target - utcMs_);
        utcMs_ = target;
    }
    runPosted();
}

std::unique_ptr<TimerBackend> VirtualLoop::createTimerBackend(std::function<void()> fire) {
    return std::make_unique<Backend>(*this, std::move(fire));
}

std::unique_ptr<WallTimerBackend> VirtualLoop::createWallTimerBackend(std::function<void()> fire) {
    return std::make_unique<WallBackend>(*this, std::move(fire));
}

int VirtualLoop::armedTimers() const {
    return static_cast<int>(
        std::count_if(slots_.begin(), slots_.end(), [](const Slot* s) { return s->armed; }));
}

}  // namespace velmor
