// A process that holds a serial port for itself (exclusive mode, as ModemManager does while it
// probes a modem), under a name of the test's choice, until released.
#pragma once

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace velmor::test {

class PortHolder {
  public:
    PortHolder(const std::string& port, const char* name) {
        int ready[2];
        if (::pipe(ready) != 0 || ::pipe(release_) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(release_[1]);
            const int fd = ::open(port.c_str(), O_RDWR | O_NOCTTY);
            ::ioctl(fd, TIOCEXCL);
            ::prctl(PR_SET_NAME, name);
            static_cast<void>(::write(ready[1], "x", 1));
            char b;
            static_cast<void>(::read(release_[0], &b, 1));
            ::ioctl(fd, TIOCNXCL);  // the far end stays open, and the mode with it
            ::_exit(0);
        }
        ::close(release_[0]);
        running_ = pid_ > 0;
        char c;
        holding_ = pid_ > 0 && ::read(ready[0], &c, 1) == 1;
        ::close(ready[0]);
        ::close(ready[1]);
    }
    ~PortHolder() { release(); }
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

    bool holding() const { return holding_; }
    pid_t pid() const { return pid_; }
    // Lets the port go and waits for the holder's end (its pid stays known).
    void release() {
        if (pid_ <= 0 || !running_) return;
        ::close(release_[1]);
        ::waitpid(pid_, nullptr, 0);
        running_ = false;
        holding_ = false;
    }

  private:
    pid_t pid_ = -1;
    int release_[2] = {-1, -1};
    bool running_ = false;
    bool holding_ = false;
};

}  // namespace velmor::test
