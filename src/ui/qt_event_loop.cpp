#include "ui/qt_event_loop.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QTimer>
#include <chrono>

namespace velmor {

class QtEventLoop::Backend : public TimerBackend {
  public:
    Backend(QtEventLoop& loop, std::function<void()> fire) : loop_(loop), fire_(std::move(fire)) {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            ++loop_.firings_;
            auto fire = fire_;  // the handler may destroy this timer
            fire();
        });
    }
    void start(int intervalMs) override { timer_.start(intervalMs); }
    void stop() override { timer_.stop(); }

  private:
    QtEventLoop& loop_;
    std::function<void()> fire_;
    QTimer timer_;
};

QtEventLoop::QtEventLoop() : receiver_(new QObject) {}

QtEventLoop::~QtEventLoop() {
    delete receiver_;
}

LocalDateTime QtEventLoop::now() const {
    const QDateTime t = QDateTime::currentDateTime();
    const QDate d = t.date();
    const QTime tm = t.time();
    return withDayOfWeek(
        {d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second(), tm.msec()});
}

std::uint64_t QtEventLoop::tickCount() const {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

void QtEventLoop::post(std::function<void()> work) {
    QMetaObject::invokeMethod(receiver_, std::move(work), Qt::QueuedConnection);
}

void QtEventLoop::processMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventLoop::sleepMs(int ms) {
    if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

std::unique_ptr<TimerBackend> QtEventLoop::createTimerBackend(std::function<void()> fire) {
    return std::make_unique<Backend>(*this, std::move(fire));
}

}  // namespace velmor
