#include "platform/linux/at_channel.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velmor::modem {

namespace {

constexpr std::size_t kMaxLine = 512;

}  // namespace

AtChannel::Wait AtChannel::waitFor(short events, Clock::time_point deadline) {
    for (;;) {
        if (stopped()) return Wait::HungUp;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Wait::Timeout;
        pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
        const int n = ::poll(fds, wakeFd_ >= 0 ? 2 : 1,
                             static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (n < 0 && errno != EINTR) return Wait::PortGone;
        if (n <= 0) continue;
        if (wakeFd_ >= 0 && fds[1].revents) return Wait::HungUp;
        if (fds[0].revents & events) return Wait::Ready;
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return Wait::PortGone;
    }
}

AtChannel::Wait AtChannel::send(std::string_view bytes, Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stopped()) return Wait::HungUp;
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            lastWrite_ = Clock::now();
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return Wait::PortGone;
        const Wait w = waitFor(POLLOUT, deadline);
        if (w != Wait::Ready) return w;
    }
    return Wait::Ready;
}

AtChannel::Wait AtChannel::readLine(std::string& line, Clock::time_point deadline) {
    for (;;) {
        // A modem that sends without end (noise, a line that never ends) still meets the deadline.
        if (stopped()) return Wait::HungUp;
        if (Clock::now() >= deadline) return Wait::Timeout;
        char c = 0;
        const ssize_t n = ::read(fd_, &c, 1);
        if (n == 1) {
            if (c != '\r' && c != '\n') {
                if (partial_.size() < kMaxLine) partial_ += c;
                continue;
            }
            if (partial_.empty()) continue;
            line.swap(partial_);
            partial_.clear();
            return Wait::Ready;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR)) return Wait::PortGone;
        const Wait w = waitFor(POLLIN, deadline);
        if (w != Wait::Ready) return w;
    }
}

AtChannel::Wait AtChannel::exchange(const std::string& command, int timeoutMs, AtResult& result,
                                    std::vector<std::string>* answer) {
    result = {};
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    Wait w = send(command + "\r", deadline);
    while (w == Wait::Ready) {
        std::string line;
        w = readLine(line, deadline);
        if (w != Wait::Ready) break;
        result = parseAtResult(line);
        if (result.kind != AtResult::Kind::None) return Wait::Ready;
        if (answer && line != command) answer->push_back(line);
    }
    return w;
}

void AtChannel::discardInput() {
    char buf[256];
    for (int i = 0; i < 64 && ::read(fd_, buf, sizeof buf) > 0; ++i) {
    }
    partial_.clear();
}

}  // namespace velmor::modem
