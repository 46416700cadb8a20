#include "ui/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace velmor {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler only writes a byte, which the loop reads.
int signalPipe[2] = {-1, -1};

void onSignal(int) {
    const char c = 1;
    const ssize_t n = ::write(signalPipe[1], &c, 1);
    static_cast<void>(n);
}

}  // namespace

TerminationSignals::TerminationSignals() {
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigemptyset(&sa.sa_mask);
    for (int s : kSignals)
        ::sigaction(s, &sa, nullptr);
    catching_ = true;
}

TerminationSignals::~TerminationSignals() {
    notifier_.reset();
    if (!catching_) return;
    for (int s : kSignals)
        ::signal(s, SIG_DFL);
}

void TerminationSignals::whenSignalled(std::function<void()> handle) {
    handle_ = std::move(handle);
    if (!catching_ || notifier_) return;
    notifier_ = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char buf[16];
        while (::read(signalPipe[0], buf, sizeof buf) > 0) {
        }
        // A handler that waits (a hang-up) runs the loop: signals meanwhile wait for its end.
        notifier_->setEnabled(false);
        if (handle_) handle_();
        if (notifier_) notifier_->setEnabled(true);
    });
}

}  // namespace velmor
