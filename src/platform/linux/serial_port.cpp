#include "platform/linux/serial_port.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace velmor::modem {

std::string lockFileName(std::string_view realPath) {
    std::string_view rest = realPath;
    if (rest.substr(0, 5) == "/dev/") {
        rest.remove_prefix(5);
    } else if (const std::size_t slash = rest.find_last_of('/'); slash != std::string_view::npos) {
        rest.remove_prefix(slash + 1);
    }
    std::string name = "LCK..";
    for (const char c : rest)
        name += c == '/' ? '_' : c;
    return name;
}

std::string lockFileText(pid_t pid) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10d\n", static_cast<int>(pid));
    return buf;
}

std::optional<pid_t> lockOwner(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    long long v = 0;
    std::size_t digits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) {
        v = v * 10 + (text[i] - '0');
        if (v > 0x7fffffff) return std::nullopt;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\n'))
        ++i;
    if (digits == 0 || i != text.size() || v <= 0) return std::nullopt;
    return static_cast<pid_t>(v);
}

bool lockIsStale(std::string_view text, const std::function<bool(pid_t)>& alive) {
    const auto owner = lockOwner(text);
    return !owner || !alive(*owner);
}

namespace {

// An empty lock file older than this is taken over.
constexpr std::time_t kEmptyLockStaleSeconds = 10;

bool processAlive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

std::string readSmall(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return {};
    char buf[64];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

PortLock::Result PortLock::take(const std::string& lockDir, const std::string& portPath,
                                std::string& why) {
    release();
    busyOwner_.reset();
    char real[PATH_MAX];
    const std::string resolved = ::realpath(portPath.c_str(), real) ? real : portPath;
    const std::string path = lockDir + "/" + lockFileName(resolved);
    const std::string text = lockFileText(::getpid());
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            const ssize_t n = ::write(fd, text.data(), text.size());
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            if (n != static_cast<ssize_t>(text.size())) {
                ::unlink(path.c_str());
                why = std::strerror(error);
                return Result::Failed;
            }
            path_ = path;
            return Result::Taken;
        }
        if (errno != EEXIST) {
            why = std::strerror(errno);
            return Result::Failed;
        }
        const std::string held = readSmall(path);
        if (held.empty()) {
            // A lock being written this moment is still empty; one that stayed empty was left
            // by a dialer that ended before it wrote its number.
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0 ||
                std::time(nullptr) - st.st_mtime < kEmptyLockStaleSeconds)
                return Result::Busy;
        } else if (!lockIsStale(held, processAlive)) {
            busyOwner_ = lockOwner(held);
            return Result::Busy;
        }
        ::unlink(path.c_str());
    }
    return Result::Busy;
}

void PortLock::release() {
    if (path_.empty()) return;
    // Only a lock that is still ours.
    if (lockOwner(readSmall(path_)) == ::getpid()) ::unlink(path_.c_str());
    path_.clear();
}

std::optional<speed_t> baudConstant(std::uint32_t bps) {
    switch (bps) {
        case 300:
            return B300;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return std::nullopt;
    }
}

int SerialPort::open(const std::string& path, const ModemSettings& settings) {
    close();
    const auto speed = baudConstant(settings.speed);
    if (!speed) return EINVAL;
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    termios t{};
    int held = 0;
    if (::ioctl(fd, TIOCGEXCL, &held) == 0 && held != 0) {
        ::close(fd);
        return EBUSY;
    }
    if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &t) != 0) {
        const int e = errno == EINVAL ? ENOTTY : errno;
        ::close(fd);
        return e;
    }
    ::cfmakeraw(&t);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CREAD | CLOCAL | HUPCL;
    if (settings.flowControl == FlowControl::Hardware) t.c_cflag |= CRTSCTS;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, *speed);
    ::cfsetospeed(&t, *speed);
    if (::tcsetattr(fd, TCSANOW, &t) != 0) {
        const int e = errno;
        ::close(fd);
        return e;
    }
    ::tcflush(fd, TCIOFLUSH);
    settings_ = t;
    fd_ = fd;
    setDtr(true);
    return 0;
}

void SerialPort::setDtr(bool on) {
    if (fd_ < 0) return;
    int bits = TIOCM_DTR;
    static_cast<void>(::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits));
    // The speed B0 is the terminal interface's own hang-up: it drops DTR too, also where the
    // line has no modem-control ioctl but its far end sees the settings (a pseudo-terminal).
    termios t = settings_;
    if (!on) {
        ::cfsetospeed(&t, B0);
        ::cfsetispeed(&t, B0);
    }
    static_cast<void>(::tcsetattr(fd_, TCSANOW, &t));
}

void SerialPort::reclaim() {
    if (fd_ < 0) return;
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags | O_NONBLOCK);
    int discipline = N_TTY;
    if (::ioctl(fd_, TIOCGETD, &discipline) == 0 && discipline != N_TTY) {
        discipline = N_TTY;
        static_cast<void>(::ioctl(fd_, TIOCSETD, &discipline));
    }
    static_cast<void>(::tcsetattr(fd_, TCSANOW, &settings_));
    // What pppd left unread (the far end's last frames) is no answer of the modem.
    static_cast<void>(::tcflush(fd_, TCIOFLUSH));
}

std::optional<int> SerialPort::modemLines() const {
    int bits = 0;
    if (fd_ < 0 || ::ioctl(fd_, TIOCMGET, &bits) != 0) return std::nullopt;
    return bits;
}

void SerialPort::close() {
    if (fd_ < 0) return;
    static_cast<void>(::tcflush(fd_, TCIOFLUSH));
    // Exclusive use ends with us, also for a port whose other end stays open (a pseudo-terminal).
    static_cast<void>(::ioctl(fd_, TIOCNXCL));
    ::close(fd_);
    fd_ = -1;
}

}  // namespace velmor::modem
