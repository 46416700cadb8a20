// The signals that end a program (SIGINT, SIGTERM, SIGHUP), turned into one call on the
// user-interface thread, so that the program can end as "Выход" does instead of losing what it
// counted.
#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace velmor {

class TerminationSignals {
  public:
    // Catches the signals from now on; one that comes before whenSignalled() is handled then.
    TerminationSignals();
    // The signals' default actions again.
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // What a signal does, run by the event loop (once for signals that come together).
    void whenSignalled(std::function<void()> handle);

  private:
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> handle_;
    bool catching_ = false;  // false: the signals keep their default actions
};

}  // namespace velmor
