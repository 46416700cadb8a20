// The user-interface thread's services: timers, posted work, re-entrant waits and the local clock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace velmor {

// A local calendar date and time of day.
struct LocalDateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 7;  // 1 Sunday .. 7 Saturday

    friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// Fills dayOfWeek from the date.
LocalDateTime withDayOfWeek(LocalDateTime t);
// Days since 1970-01-01 of a civil date, and back.
std::int64_t daysFromCivil(int y, int m, int d);
void civilFromDays(std::int64_t z, int& y, int& m, int& d);

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalDateTime now() const = 0;
    // Milliseconds of a monotonic clock (the system tick count).
    virtual std::uint64_t tickCount() const = 0;
};

class TimerBackend;
class WallTimerBackend;

class EventLoop : public Clock {
  public:
    // Runs work on the user-interface thread in the order posted; callable from any thread.
    virtual void post(std::function<void()> work) = 0;
    // Handles what is pending now (posted work, due timers) and returns; used by the waits that
    // keep the window responsive.
    virtual void processMessages() = 0;
    // Blocks the calling (user-interface) thread; nothing else runs meanwhile.
    virtual void sleepMs(int ms) = 0;

    virtual std::unique_ptr<TimerBackend> createTimerBackend(std::function<void()> fire) = 0;
    virtual std::unique_ptr<WallTimerBackend> createWallTimerBackend(
        std::function<void()> fire) = 0;
};

// What a loop does for one timer: arm it to fire every interval milliseconds, or stop it.
class TimerBackend {
  public:
    virtual ~TimerBackend() = default;
    virtual void start(int intervalMs) = 0;
    virtual void stop() = 0;
};

// What a loop does for a timer on the calendar clock: fire once at a local date and time, or stop.
class WallTimerBackend {
  public:
    virtual ~WallTimerBackend() = default;
    virtual void arm(const LocalDateTime& at) = 0;
    virtual void stop() = 0;
};

// A one-shot timer on the calendar clock: fires once the local time has reached the moment it is
// armed for (a moment already past fires at once), also when the machine slept through it, and
// fires early when the system's clock is set, so that its owner looks at the time anew. Between
// those it costs no wake-ups, however far off the moment is.
class WallTimer {
  public:
    explicit WallTimer(EventLoop& loop);
    ~WallTimer();
    WallTimer(const WallTimer&) = delete;
    WallTimer& operator=(const WallTimer&) = delete;

    void arm(const LocalDateTime& at);
    void stop();
    bool armed() const { return armed_; }

    std::function<void()> onTimer;

  private:
    std::unique_ptr<WallTimerBackend> backend_;
    bool armed_ = false;
};

// A window timer: fires every Interval milliseconds while Enabled. Enabling it, or changing the
// interval while enabled, starts the interval anew. A handler that disables its own timer makes it
// a one-shot.
class Timer {
  public:
    Timer(EventLoop& loop, int intervalMs, bool enabled = false);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void setEnabled(bool on);
    bool enabled() const { return enabled_; }
    void setInterval(int ms);
    int interval() const { return interval_; }

    std::function<void()> onTimer;

  private:
    void restart();
    void fire();

    std::unique_ptr<TimerBackend> backend_;
    int interval_;
    bool enabled_ = false;
};

}  // namespace velmor
