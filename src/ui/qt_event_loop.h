// The event loop of the running program: Qt's, for both the window and the headless front end.
#pragma once

#include <QObject>

#include "platform/event_loop.h"

namespace velmor {

class QtEventLoop : public EventLoop {
  public:
    QtEventLoop();
    ~QtEventLoop() override;

    LocalDateTime now() const override;
    std::uint64_t tickCount() const override;
    void post(std::function<void()> work) override;
    void processMessages() override;
    void sleepMs(int ms) override;
    std::unique_ptr<TimerBackend> createTimerBackend(std::function<void()> fire) override;
    std::unique_ptr<WallTimerBackend> createWallTimerBackend(std::function<void()> fire) override;

    // Timer firings since start, for the measurement of idle wake-ups.
    std::uint64_t firings() const { return firings_; }

  private:
    class Backend;
    class WallBackend;
    QObject* receiver_;
    std::uint64_t firings_ = 0;
};

}  // namespace velmor
