#include "support/modem_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <fstream>

namespace velmor::test {
namespace {

void makeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return;
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
}

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return;
        }
    }
}

}  // namespace

ModemEmulator::ModemEmulator(Options options)
    : options_(std::move(options)), ignoreDtr_(options_.ignoreDtr) {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave_, F_SETFD, FD_CLOEXEC);
    ::fcntl(master_, F_SETFL, O_NONBLOCK);
    makeRaw(slave_);
    port_ = name;
    if (options_.portGroup != static_cast<gid_t>(-1)) {
        static_cast<void>(::fchown(slave_, static_cast<uid_t>(-1), options_.portGroup));
        ::fchmod(slave_, 0660);
    }
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    thread_ = std::thread([this] { loop(); });
}

ModemEmulator::~ModemEmulator() {
    stop();
    if (slave_ >= 0) ::close(slave_);
    for (int fd : wake_) {
        if (fd >= 0) ::close(fd);
    }
}

std::vector<std::string> ModemEmulator::commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

void ModemEmulator::stop() {
    stopping_ = true;
    if (wake_[1] >= 0) static_cast<void>(::write(wake_[1], "x", 1));
    if (thread_.joinable()) thread_.join();
    endProgram();
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void ModemEmulator::unplug() {
    stop();
    // The far end and our own hold of the near one go: the port is hung up for the dialer.
    if (slave_ >= 0) ::close(slave_);
    slave_ = -1;
}

void ModemEmulator::dropCall() {
    dropRequested_ = true;
    if (wake_[1] >= 0) static_cast<void>(::write(wake_[1], "x", 1));
}

void ModemEmulator::answer(const std::string& text) {
    logLine("> " + text);
    writeAll(master_, "\r\n" + text + "\r\n");
}

void ModemEmulator::logLine(const std::string& what) {
    if (options_.commandLog.empty()) return;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    std::ofstream(options_.commandLog, std::ios::app) << ns << " " << what << "\n";
}

void ModemEmulator::record(const std::string& what) {
    logLine(what);
    std::lock_guard<std::mutex> lock(mutex_);
    commands_.push_back(what);
}

namespace {

constexpr auto kGuard = std::chrono::milliseconds(900);

bool finalResult(const std::string& text) {
    return text == "OK" || text == "ERROR" || text.rfind("+CME ERROR", 0) == 0 ||
           text.rfind("+CMS ERROR", 0) == 0;
}

}  // namespace

void ModemEmulator::onCommand(const std::string& line) {
    if (options_.silent) return;
    const std::string command = upper(line);
    if (command.rfind("AT", 0) != 0) return;
    record(line);
    if (echo_) writeAll(master_, line + "\r");
    if (command.rfind("ATD", 0) == 0) {
        // A call still up: the modem is not in a state to dial.
        if (offHook_) return answer("ERROR");
        const auto& results = options_.dialResults;
        const std::string result =
            results.empty() ? "" : results[std::min(dials_, results.size() - 1)];
        ++dials_;
        offHook_ = true;
        dialPending_ = true;
        pendingResult_ = result;
        dialDue_ = result.empty() ? std::chrono::steady_clock::time_point::max()
                                  : std::chrono::steady_clock::now() +
                                        std::chrono::milliseconds(options_.dialDelayMs);
        if (options_.dialDelayMs <= 0 && !result.empty()) {
            dialPending_ = false;
            dialResult(result);
        }
        return;
    }
    if (const auto it = options_.replies.find(command); it != options_.replies.end()) {
        std::string rest = it->second, last;
        for (std::size_t nl; (nl = rest.find('\n')) != std::string::npos; rest.erase(0, nl + 1))
            answer(rest.substr(0, nl));
        if (finalResult(rest)) return answer(rest);
        answer(rest);
        return answer("OK");
    }
    if (options_.initError) return answer("ERROR");
    if (command.find("E0") != std::string::npos) echo_ = false;
    if (command.find("E1") != std::string::npos) echo_ = true;
    if (command.find("&D0") != std::string::npos) ignoreDtr_ = true;
    if (command.find("&D1") != std::string::npos || command.find("&D2") != std::string::npos)
        ignoreDtr_ = false;
    if (command == "ATH" || command == "ATH0" || command == "ATZ") {
        dropProgram();
        offHook_ = false;
    }
    if (command == "ATI") {
        writeAll(master_, "\r\nVelmor test modem\r\n");
    }
    answer("OK");
}

void ModemEmulator::dialResult(const std::string& result) {
    if (result.rfind("CONNECT", 0) != 0) {
        answer(result);
        offHook_ = false;
        return;
    }
    if (!options_.program.empty()) {
        // The far end is up when the call is answered: CONNECT once the program has set up its
        // line (pppd sets IGNPAR), or after a few seconds.
        startProgram();
        for (int i = 0; i < 500 && programMaster_ >= 0; ++i) {
            termios t{};
            if (::tcgetattr(programMaster_, &t) == 0 && (t.c_iflag & IGNPAR)) break;
            ::usleep(10000);
        }
        answer(result);
        online_ = true;
        return;
    }
    answer(result);
    if (ignoreDtr_) {
        online_ = true;  // the data mode, with nobody on the far end
    } else {
        // Without a program there is nothing to carry: the modem stays in command mode, on-hook,
        // as it is once the dialer drops DTR.
        offHook_ = false;
    }
}

void ModemEmulator::watchEscape(const char* data, std::size_t size) {
    const auto now = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '+' && (pluses_ > 0 || now - lastByte_ >= kGuard) && pluses_ < 3) {
            if (++pluses_ == 3) plusesAt_ = now;
        } else {
            pluses_ = 0;
        }
    }
    lastByte_ = now;
}

void ModemEmulator::startProgram() {
    int slave = -1;
    if (::openpty(&programMaster_, &slave, nullptr, nullptr, nullptr) != 0) return;
    makeRaw(slave);
    ::fcntl(programMaster_, F_SETFD, FD_CLOEXEC);
    ::fcntl(programMaster_, F_SETFL, O_NONBLOCK);
    std::vector<char*> argv;
    for (std::string& a : options_.program)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    program_ = ::fork();
    if (program_ == 0) {
        ::setsid();
        ::dup2(slave, 0);
        ::dup2(slave, 1);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(slave);
}

void ModemEmulator::dropProgram() {
    // The far end loses the line at once and ends in its own time; it is collected later.
    if (programMaster_ >= 0) ::close(programMaster_);
    programMaster_ = -1;
    if (program_ > 0) {
        ::kill(program_, SIGTERM);
        ended_.push_back(program_);
    }
    program_ = -1;
}

void ModemEmulator::endProgram() {
    dropProgram();
    for (const pid_t pid : ended_) {
        int status = 0;
        for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
            ::usleep(50000);
        if (::waitpid(pid, &status, WNOHANG) == 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
        }
    }
    ended_.clear();
}

void ModemEmulator::loop() {
    char buf[4096];
    lastByte_ = std::chrono::steady_clock::now();
    while (!stopping_) {
        pollfd fds[3] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}, {programMaster_, POLLIN, 0}};
        const int n = ::poll(fds, 3, 50);
        if (n < 0 && errno != EINTR) return;
        const auto now = std::chrono::steady_clock::now();
        std::erase_if(ended_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
        if (fds[1].revents) {
            while (::read(wake_[0], buf, sizeof buf) > 0) {
            }
        }
        // The dialer's DTR, as the speed B0 shows it through the pseudo-terminal: when it drops,
        // a modem that heeds it hangs up.
        termios t{};
        const bool dtrLow = ::tcgetattr(master_, &t) == 0 && ::cfgetospeed(&t) == B0;
        if (dtrLow && !ignoreDtr_ && offHook_) {
            dialPending_ = false;
            dropProgram();
            online_ = false;
            offHook_ = false;
            record("<dtr>");
            answer("NO CARRIER");
        }
        if (dialPending_ && now >= dialDue_) {
            dialPending_ = false;
            dialResult(pendingResult_);
        }
        if (online_ && pluses_ == 3 && now - plusesAt_ >= kGuard) {
            // Back in command mode; the call stays up.
            pluses_ = 0;
            online_ = false;
            record("+++");
            answer("OK");
        }
        if (dropRequested_.exchange(false) && offHook_) {
            dropProgram();
            online_ = false;
            offHook_ = false;
            answer("NO CARRIER");
        }
        if (programMaster_ >= 0 && fds[2].revents) {
            const ssize_t got = ::read(programMaster_, buf, sizeof buf);
            if (got > 0) {
                writeAll(master_, std::string(buf, static_cast<std::size_t>(got)));
            } else if (got == 0 || errno != EAGAIN) {
                // The program has ended: the far end hung up.
                dropProgram();
                online_ = false;
                offHook_ = false;
                answer("NO CARRIER");
            }
        }
        if (!(fds[0].revents & POLLIN)) {
            // Nobody on the near end just now (POLLHUP): wait for the next open.
            if (fds[0].revents & POLLHUP) ::usleep(20000);
            continue;
        }
        const ssize_t got = ::read(master_, buf, sizeof buf);
        if (got <= 0) continue;
        if (!dialPending_ && online_) {
            watchEscape(buf, static_cast<std::size_t>(got));
            if (programMaster_ >= 0) writeAll(programMaster_, std::string(buf, got));
            continue;
        }
        lastByte_ = now;
        for (ssize_t i = 0; i < got; ++i) {
            if (dialPending_) {
                // Any character ends a dial in progress, also one that came with the command.
                dialPending_ = false;
                offHook_ = false;
                record("<abort>");
                answer("NO CARRIER");
                break;
            }
            const char c = buf[i];
            if (c == '\r' || c == '\n') {
                if (!line_.empty()) onCommand(line_);
                line_.clear();
            } else if (line_.size() < 256) {
                line_ += c;
            }
        }
    }
}

}  // namespace velmor::test
