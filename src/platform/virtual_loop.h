// An event loop on virtual time for tests: time moves only when the test advances it.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/event_loop.h"

namespace velmor {

class VirtualLoop : public EventLoop {
  public:
    VirtualLoop();
    ~VirtualLoop() override;

    LocalDateTime now() const override;
    std::uint64_t tickCount() const override { return ticks_; }
    void post(std::function<void()> work) override;
    void processMessages() override;
    void sleepMs(int ms) override;
    std::unique_ptr<TimerBackend> createTimerBackend(std::function<void()> fire) override;
    // Calendar timers fire at their local time, and at once when setLocalDateTime moves the
    // clock.
    std::unique_ptr<WallTimerBackend> createWallTimerBackend(std::function<void()> fire) override;

    // Moves time forward, firing due timers in order and running posted work after each step.
    void advance(std::int64_t ms);
    // Runs posted work (and timers due now) until nothing is pending.
    void runPending();

    // The local date and time; the time zone offset from UTC in minutes (east positive).
    void setLocalDateTime(const LocalDateTime& t);
    void setUtcOffsetMinutes(int minutes);
    std::int64_t utcMs() const { return utcMs_; }

    // Number of armed timers (for tests of idle wake-ups).
    int armedTimers() const;
    // Total number of timer firings so far.
    std::uint64_t firings() const { return firings_; }

  private:
    struct Slot {
        std::function<void()> fire;
        bool armed = false;
        int interval = 0;
        std::int64_t due = 0;
        std::uint64_t seq = 0;  // orders timers due at the same moment
        bool wall = false;      // a one-shot on the calendar clock
    };
    class Backend;
    class WallBackend;
    friend class Backend;
    friend class WallBackend;

    bool runPosted();
    bool fireOneDue(std::int64_t limit);

    std::int64_t utcMs_;
    std::int64_t offsetMs_ = 0;
    std::uint64_t ticks_ = 1000000;
    std::uint64_t seq_ = 0;
    std::uint64_t firings_ = 0;
    std::vector<Slot*> slots_;
    mutable std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
};

}  // namespace velmor
