#include "ui/qt_event_loop.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

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

// A timer on the system's real-time clock: it counts the time the machine sleeps, and the kernel
// cancels it when the clock is set, which fires it early.
class QtEventLoop::WallBackend : public WallTimerBackend {
  public:
    WallBackend(QtEventLoop& loop, std::function<void()> fire)
        : loop_(loop),
          fire_(std::move(fire)),
          fd_(::timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
        if (fd_ >= 0) {
            notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
            QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { expired(); });
        } else {
            // Without timerfd: a plain timer to the moment.
            fallback_.setSingleShot(true);
            fallback_.setTimerType(Qt::PreciseTimer);
            QObject::connect(&fallback_, &QTimer::timeout, [this] { fired(); });
        }
    }
    ~WallBackend() override {
        notifier_.reset();
        if (fd_ >= 0) ::close(fd_);
    }
    void arm(const LocalDateTime& at) override {
        std::tm tm{};
        tm.tm_year = at.year - 1900;
        tm.tm_mon = at.month - 1;
        tm.tm_mday = at.day;
        tm.tm_hour = at.hour;
        tm.tm_min = at.minute;
        tm.tm_sec = at.second;
        tm.tm_isdst = -1;  // the offset in force on that day
        const std::time_t t = std::mktime(&tm);
        if (fd_ < 0) {
            const qint64 ms =
                qint64(t) * 1000 + at.millisecond - QDateTime::currentMSecsSinceEpoch();
            fallback_.start(static_cast<int>(std::clamp<qint64>(ms, 0, 24 * 3600 * 1000)));
            return;
        }
        itimerspec spec{};
        spec.it_value.tv_sec = t;
        spec.it_value.tv_nsec = at.millisecond * 1000000L;
        if (spec.it_value.tv_sec <= 0 && spec.it_value.tv_nsec == 0) spec.it_value.tv_nsec = 1;
        ::timerfd_settime(fd_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr);
    }
    void stop() override {
        if (fd_ < 0) {
            fallback_.stop();
            return;
        }
        const itimerspec off{};
        ::timerfd_settime(fd_, 0, &off, nullptr);
    }

  private:
    void expired() {
        std::uint64_t count = 0;
        // The moment came (a count), or the clock was set (ECANCELED); nothing yet: EAGAIN.
        if (::read(fd_, &count, sizeof count) < 0 && errno != ECANCELED) return;
        stop();
        fired();
    }
    void fired() {
        ++loop_.firings_;
        auto fire = fire_;  // the handler may destroy this timer
        fire();
    }

    QtEventLoop& loop_;
    std::function<void()> fire_;
    int fd_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer fallback_;
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

std::unique_ptr<WallTimerBackend> QtEventLoop::createWallTimerBackend(std::function<void()> fire) {
    return std::make_unique<WallBackend>(*this, std::move(fire));
}

}  // namespace velmor
