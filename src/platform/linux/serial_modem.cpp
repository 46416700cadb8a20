#include "platform/linux/serial_modem.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <thread>

#include "platform/linux/at_channel.h"
#include "platform/linux/modem_diagnosis.h"
#include "platform/linux/modem_dialogue.h"
#include "platform/linux/modem_hangup.h"
#include "platform/linux/ppp_interface.h"
#include "platform/linux/pppd_failure.h"
#include "platform/linux/pppd_link.h"
#include "platform/linux/serial_port.h"

namespace velmor::modem {

namespace {

constexpr int kInitTimeoutMs = 3000;
constexpr int kTerminateTimeoutMs = 5000;
// Longer secrets than pppd takes would be cut short without a word.
constexpr std::size_t kMaxSecret = 255;

}  // namespace

struct SerialModem::Line {
    enum class Phase { Dialling, Connected, Failed, Lost };

    ras::Handle handle = 0;
    std::string entry, number, login, password;
    ModemSettings settings;
    ras::Notifier notifier;
    int wakeFd = -1;  // signalled by the hang-up
    std::thread worker;
    std::atomic<bool> hungUp{false};
    std::atomic<bool> done{false};

    // Held while a notification is made, so that none starts after the hang-up returned.
    std::mutex notifyMutex;

    // The line's state as status, projection and statistics read it.
    mutable std::mutex mutex;
    Phase phase = Phase::Dialling;
    int state = 0;
    int error = 0;
    std::string interfaceName, localIp, remoteIp;
    std::uint32_t authProtocol = 0;
    std::uint32_t bps = 0;
    Clock::time_point connectedAt;
    std::uint64_t sentBase = 0, receivedBase = 0;

    ~Line() {
        if (wakeFd >= 0) ::close(wakeFd);
    }
};

namespace {

using Line = SerialModem::Line;
using Phase = SerialModem::Line::Phase;

// One line's dial, on its worker thread.
class Worker {
  public:
    Worker(Line& line, const std::string& port, const PppEnvironment& env, SerialModem::Gate& gate,
           ras::ErrorDetails& details)
        : l_(line), port_(port), env_(env), gate_(gate), details_(details) {}

    void run() {
        report(ras::kStateOpenPort, 0);
        if (takePort() && dialogue()) followPppd();
        finish();
    }

  private:
    using Wait = AtChannel::Wait;

    bool stopped() const { return l_.hungUp.load(); }

    void report(int state, int error) {
        {
            std::lock_guard<std::mutex> lock(l_.mutex);
            l_.state = state;
            l_.error = error;
            if (error != 0) l_.phase = Phase::Failed;
        }
        lastState_ = state;
        std::lock_guard<std::mutex> lock(l_.notifyMutex);
        if (l_.hungUp.load() || !l_.notifier) return;
        l_.notifier(l_.handle, 0, state, error);
    }

    // Fails the dial at the last state reached, with why (none: the code's own text); false, so
    // that callers can return it.
    bool fail(int error, const std::string& why = {}) {
        if (stopped()) return false;  // a line hung up reports nothing more
        details_.set(error, why);
        report(lastState_, error);
        return false;
    }

    // Waits until the previous line of this port has let go of it.
    bool takePort() {
        {
            std::unique_lock<std::mutex> lock(gate_.mutex);
            while (gate_.busy && !stopped())
                gate_.freed.wait_for(lock, std::chrono::milliseconds(50));
            if (stopped()) return false;
            gate_.busy = true;
            holdingGate_ = true;
        }
        std::string why;
        switch (lock_.take(env_.lockDir, port_, why)) {
            case PortLock::Result::Taken:
                break;
            case PortLock::Result::Busy:
                return fail(ras::kErrorPortAlreadyOpen,
                            portLockedText(port_, lock_.busyOwner(), env_.lockDir));
            case PortLock::Result::Failed:
                return fail(ras::kErrorPortNotAvailable, lockFailedText(env_, why));
        }
        const int e = port_.empty() ? ENOENT : serial_.open(port_, l_.settings);
        switch (e) {
            case 0:
                at_.emplace(serial_.fd(), l_.wakeFd, &l_.hungUp);
                return true;
            case ENOENT:
            case ENODEV:
            case ENXIO:
            case ENOTDIR:
                return fail(ras::kErrorPortNotAvailable, portMissingText(port_));
            case EACCES:
            case EPERM:
                return fail(ras::kErrorPortNotAvailable, portDeniedText(port_));
            case EBUSY: {
                const PortUsers users = portUsers(port_);
                return fail(ras::kErrorPortAlreadyOpen,
                            portHeldText(port_, users.holders, users.modemManager, l_.entry));
            }
            case ENOTTY:
                return fail(ras::kErrorPortNotAvailable, notATerminalText(port_));
            default:
                return fail(ras::kErrorHardwareFailure,
                            "Порт " + port_ + " не открывается: " + std::strerror(e) + ".");
        }
    }

    // A dialogue that did not come to a result: a hang-up ends the line quietly.
    bool fault(Wait w, int timeoutError, const std::string& timeoutWhy) {
        switch (w) {
            case Wait::HungUp:
                return false;
            case Wait::Timeout:
                return fail(timeoutError, timeoutWhy);
            default:
                return fail(ras::kErrorHardwareFailure, portGoneText(port_));
        }
    }

    bool dialogue() {
        report(ras::kStatePortOpened, 0);
        const ModemSettings& m = l_.settings;
        for (const std::string* init : {&m.init1, &m.init2, &m.init3}) {
            if (init->empty()) continue;
            AtResult r;
            const Wait w = at_->exchange(*init, kInitTimeoutMs, r);
            if (w != Wait::Ready) {
                return fault(w, ras::kErrorHardwareFailure,
                             silentModemText(*init, kInitTimeoutMs / 1000, modemManagerPid()));
            }
            if (r.kind != AtResult::Kind::Ok) {
                return fail(ras::kErrorHardwareFailure, initRefusedText(*init, r.text));
            }
        }
        const std::string command = dialCommand(l_.number);
        const int timeoutSec = static_cast<int>(m.dialTimeoutSec);
        const auto deadline = Clock::now() + std::chrono::seconds(timeoutSec);
        Wait w = at_->send(command + "\r", deadline);
        offHook_ = true;
        if (w != Wait::Ready) {
            return fault(w, ras::kErrorNoAnswer, dialTimeoutText(command, timeoutSec));
        }
        report(ras::kStateConnectDevice, 0);
        for (;;) {
            std::string text;
            w = at_->readLine(text, deadline);
            if (w != Wait::Ready) {
                return fault(w, ras::kErrorNoAnswer, dialTimeoutText(command, timeoutSec));
            }
            const AtResult r = parseAtResult(text);
            if (r.kind == AtResult::Kind::Failure) {
                offHook_ = false;  // the modem has given the call up itself
                return fail(r.error, dialResultText(r.error, command, r.text));
            }
            if (r.kind == AtResult::Kind::Connect) {
                std::lock_guard<std::mutex> lock(l_.mutex);
                l_.bps = r.speed;
                break;
            }
        }
        report(ras::kStateDeviceConnected, 0);
        return true;
    }

    // The addresses and the counters at the moment of connection; the interface's own addresses
    // win over the log's.
    void connected() {
        std::string local = local_, remote = remote_;
        interfaceAddresses(iface_, local, remote);
        std::uint64_t sent = 0, received = 0;
        readLinkCounters(env_.netRoot, iface_, sent, received);
        {
            std::lock_guard<std::mutex> lock(l_.mutex);
            l_.phase = Phase::Connected;
            l_.interfaceName = iface_;
            l_.localIp = local;
            l_.remoteIp = remote;
            l_.authProtocol = auth_;
            l_.connectedAt = Clock::now();
            l_.sentBase = sent;
            l_.receivedBase = received;
        }
        report(ras::kStateConnected, 0);
        // The peers file asks pppd to replace a default route that is there already (Wi-Fi,
        // Ethernet); where that did not happen, traffic would pass the link by.
        if (const std::string route = defaultRouteDevice(); !route.empty() && route != iface_) {
            std::fprintf(stderr, "%s\n", defaultRouteText(env_, iface_, route).c_str());
        }
    }

    void onLogLine(const std::string& raw) {
        const std::string line = masked(masked(raw, l_.password), l_.login);
        std::fprintf(stderr, "pppd: %s\n", line.c_str());
        if (connected_) return;
        const PppdEvent e = notePppdLine(facts_, line);
        switch (e.kind) {
            case PppdEvent::Kind::Interface:
                iface_ = e.value;
                report(ras::kStateAllDevicesConnected, 0);
                break;
            case PppdEvent::Kind::Connect:
                if (iface_.empty()) iface_ = e.value;
                report(ras::kStateAuthenticate, 0);
                report(ras::kStateAuthNotify, 0);
                break;
            case PppdEvent::Kind::AuthSucceeded:
                auth_ = e.protocol;
                report(ras::kStateAuthAck, 0);
                report(ras::kStateAuthenticated, 0);
                break;
            case PppdEvent::Kind::LocalAddress:
                local_ = e.value;
                break;
            case PppdEvent::Kind::RemoteAddress:
                remote_ = e.value;
                connected_ = true;
                connected();
                break;
            default:
                break;
        }
    }

    // Reads what the log holds now; false at its end.
    bool readLog() {
        char buf[1024];
        for (;;) {
            const ssize_t n = ::read(pppd_.logFd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno == EAGAIN;
            if (n == 0) return false;
            for (ssize_t i = 0; i < n; ++i) {
                if (buf[i] == '\n') {
                    onLogLine(logPartial_);
                    logPartial_.clear();
                } else if (logPartial_.size() < 4096) {
                    logPartial_ += buf[i];
                }
            }
        }
    }

    bool startDaemon() {
        if (l_.login.size() > kMaxSecret || l_.password.size() > kMaxSecret) {
            return fail(ras::kErrorAuthenticationFailure,
                        "Логин или пароль длиннее 255 знаков: pppd такие не принимает.");
        }
        const int e =
            startPppd(env_.pppd, l_.handle, l_.settings.flowControl == FlowControl::Hardware,
                      serial_.fd(), l_.login, l_.password, pppd_);
        if (e == 0) return true;
        const std::string problem = firstProblem(env_, port_);
        return fail(ras::kErrorPortNotAvailable,
                    problem.empty()
                        ? "Не удается запустить " + env_.pppd + ": " + std::strerror(e) + "."
                        : problem);
    }

    void followPppd() {
        if (!startDaemon()) return;
        int logFd = pppd_.logFd;
        int portFd = serial_.fd();
        bool ended = false;
        // A line that never comes up (a cable without carrier detect keeps a call that is gone)
        // ends in its time.
        const auto linkDeadline = Clock::now() + std::chrono::seconds(env_.linkTimeoutSec);
        while (!stopped() && !ended) {
            pollfd fds[4] = {{l_.wakeFd, POLLIN, 0},
                             {logFd, POLLIN, 0},
                             {pppd_.pidFd, POLLIN, 0},
                             {portFd, 0, 0}};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(linkDeadline - Clock::now());
            const int n = ::poll(
                fds, 4, connected_ ? -1 : static_cast<int>(std::max<long long>(left.count(), 0)));
            if (n < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (n == 0 && !connected_) {
                fail(ras::kErrorPppTimeout, linkTimeoutText(env_.linkTimeoutSec, facts_.lastWord));
                return;  // finish() ends pppd
            }
            if (fds[0].revents) break;
            if (fds[1].revents && !readLog()) logFd = -1;
            if (fds[3].revents) {
                // The port is gone (a USB modem pulled out): pppd is told to end, as it would
                // itself once it noticed.
                ::kill(pppd_.pid, SIGTERM);
                portFd = -1;
            }
            // Without a process descriptor the end of the log stands for the end of pppd.
            ended = fds[2].revents != 0 || (pppd_.pidFd < 0 && logFd < 0);
        }
        if (!ended) return;         // hung up: finish() ends pppd
        if (logFd >= 0) readLog();  // what came before the end
        const int exitCode = reapPppd(pppd_, -1);
        if (!logPartial_.empty()) onLogLine(logPartial_);
        if (connected_) {
            // A lost line: gone from the connections, without a word.
            std::lock_guard<std::mutex> lock(l_.mutex);
            l_.phase = Phase::Lost;
            return;
        }
        fail(pppdFailure(facts_, exitCode), pppdFailureText(facts_, exitCode, env_));
    }

    void finish() {
        if (pppd_.pid > 0) {
            ::kill(pppd_.pid, SIGTERM);
            if (reapPppd(pppd_, kTerminateTimeoutMs) == -2) {
                ::kill(pppd_.pid, SIGKILL);
                reapPppd(pppd_, -1);
            }
        }
        closePppd(pppd_);
        if (serial_.isOpen()) {
            serial_.reclaim();  // as pppd left it: blocking, its own settings
            if (offHook_) {
                // DTR alone does not hang up a modem set to ignore it, nor a port without it.
                AtChannel at(serial_.fd());
                const OnHook how = putOnHook(serial_, at);
                std::fprintf(stderr, "%s: %s\n", port_.c_str(), onHookText(how));
            } else {
                serial_.setDtr(false);
            }
            serial_.close();
        }
        lock_.release();
        if (holdingGate_) {
            std::lock_guard<std::mutex> lock(gate_.mutex);
            gate_.busy = false;
            gate_.freed.notify_all();
        }
        l_.done = true;
    }

    Line& l_;
    const std::string& port_;
    const PppEnvironment& env_;
    SerialModem::Gate& gate_;
    ras::ErrorDetails& details_;
    SerialPort serial_;
    std::optional<AtChannel> at_;
    PortLock lock_;
    PppdProcess pppd_;
    bool holdingGate_ = false;
    bool offHook_ = false;  // a dial command went out and no result gave the call up
    int lastState_ = 0;
    std::string logPartial_;
    PppdFacts facts_;
    std::string iface_, local_, remote_;
    std::uint32_t auth_ = 0;
    bool connected_ = false;
};

}  // namespace

SerialModem::SerialModem(std::string port, PppEnvironment env, ras::ErrorDetails& details)
    : port_(std::move(port)), env_(std::move(env)), details_(details) {}

SerialModem::~SerialModem() {
    for (auto& [handle, line] : lines_)
        retired_.push_back(line);
    lines_.clear();
    for (auto& line : retired_) {
        line->hungUp = true;
        const std::uint64_t one = 1;
        static_cast<void>(::write(line->wakeFd, &one, sizeof one));
    }
    for (auto& line : retired_) {
        if (line->worker.joinable()) line->worker.join();
    }
}

void SerialModem::sweep() const {
    std::erase_if(retired_, [](const std::shared_ptr<Line>& line) {
        if (!line->done) return false;
        line->worker.join();
        return true;
    });
    for (auto it = lines_.begin(); it != lines_.end();) {
        bool lost;
        {
            std::lock_guard<std::mutex> lock(it->second->mutex);
            lost = it->second->phase == Line::Phase::Lost;
        }
        if (lost) {
            retired_.push_back(it->second);
            it = lines_.erase(it);
        } else {
            ++it;
        }
    }
}

std::shared_ptr<SerialModem::Line> SerialModem::find(ras::Handle handle) const {
    sweep();
    const auto it = lines_.find(handle);
    return it == lines_.end() ? nullptr : it->second;
}

bool SerialModem::holds(ras::Handle handle) const {
    return find(handle) != nullptr;
}

int SerialModem::dial(ras::Handle handle, const PhonebookEntry& entry,
                      const ras::DialRequest& request, ras::Notifier notifier) {
    sweep();
    if (handle == 0 || lines_.count(handle)) return ras::kErrorInvalidParameter;
    // A line still dialling or connected keeps the port; a failed one gives way.
    for (auto it = lines_.begin(); it != lines_.end();) {
        bool failed;
        {
            std::lock_guard<std::mutex> lock(it->second->mutex);
            failed = it->second->phase == Line::Phase::Failed;
        }
        if (!failed) return ras::kErrorPortAlreadyOpen;
        retired_.push_back(it->second);
        it = lines_.erase(it);
    }
    // What can be known before the port is touched fails the dial at once, with the fix.
    if (const std::string problem = firstProblem(env_, port_); !problem.empty()) {
        details_.set(ras::kErrorPortNotAvailable, problem);
        return ras::kErrorPortNotAvailable;
    }
    auto line = std::make_shared<Line>();
    line->wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (line->wakeFd < 0) return ras::kErrorHardwareFailure;
    line->handle = handle;
    line->entry = entry.name;
    line->number = request.phoneNumber.empty() ? entry.phoneNumber : request.phoneNumber;
    line->login = request.userName;
    line->password = request.password;
    line->settings = entry.modem;
    line->notifier = std::move(notifier);
    Line& l = *line;
    try {
        l.worker = std::thread([&l, this] {
            Worker w(l, port_, env_, *gate_, details_);
            w.run();
        });
    } catch (const std::system_error&) {
        return ras::kErrorHardwareFailure;
    }
    lines_.emplace(handle, std::move(line));
    return 0;
}

int SerialModem::hangUp(ras::Handle handle) {
    sweep();
    const auto it = lines_.find(handle);
    if (it == lines_.end()) return ras::kErrorInvalidHandle;
    const std::shared_ptr<Line> line = it->second;
    {
        // Waits for a notification being made this moment; none starts after this.
        std::lock_guard<std::mutex> lock(line->notifyMutex);
        line->hungUp = true;
    }
    const std::uint64_t one = 1;
    static_cast<void>(::write(line->wakeFd, &one, sizeof one));
    lines_.erase(it);
    retired_.push_back(line);
    return 0;
}

int SerialModem::status(ras::Handle handle, ras::ConnectStatus& out) {
    const auto line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    std::lock_guard<std::mutex> lock(line->mutex);
    out.state = line->phase == Line::Phase::Connected ? ras::kStateConnected : line->state;
    out.error = line->phase == Line::Phase::Failed ? line->error : 0;
    out.deviceType = kDeviceType;
    out.deviceName = port_;
    out.phoneNumber = line->number;
    return 0;
}

void SerialModem::connections(std::vector<ras::Connection>& out) const {
    sweep();
    for (const auto& [handle, line] : lines_) {
        std::lock_guard<std::mutex> lock(line->mutex);
        if (line->phase == Line::Phase::Failed) continue;
        out.push_back({handle, line->entry, kDeviceType, port_, ""});
    }
}

int SerialModem::projection(ras::Handle handle, ras::Projection& out) {
    const auto line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    std::lock_guard<std::mutex> lock(line->mutex);
    if (line->phase != Line::Phase::Connected) return ras::kErrorProjectionNotComplete;
    out.localIp = line->localIp;
    out.serverIp = line->remoteIp;
    out.authProtocol = line->authProtocol;
    return 0;
}

int SerialModem::statistics(ras::Handle handle, ras::Statistics& out) {
    const auto line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    out = {};
    std::lock_guard<std::mutex> lock(line->mutex);
    if (line->phase != Line::Phase::Connected) return 0;
    std::uint64_t sent = 0, received = 0;
    if (!readLinkCounters(env_.netRoot, line->interfaceName, sent, received)) {
        return ras::kErrorInvalidPortHandle;
    }
    out.bytesSent = sent - std::min(sent, line->sentBase);
    out.bytesReceived = received - std::min(received, line->receivedBase);
    out.bps = line->bps;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - line->connectedAt)
            .count();
    out.connectDurationMs = static_cast<std::uint32_t>(
        std::min<long long>(ms, std::numeric_limits<std::uint32_t>::max()));
    return 0;
}

int SerialModem::clearStatistics(ras::Handle handle) {
    const auto line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    std::lock_guard<std::mutex> lock(line->mutex);
    if (line->phase != Line::Phase::Connected) return 0;
    std::uint64_t sent = 0, received = 0;
    if (!readLinkCounters(env_.netRoot, line->interfaceName, sent, received)) {
        return ras::kErrorInvalidPortHandle;
    }
    line->sentBase = sent;
    line->receivedBase = received;
    return 0;
}

}  // namespace velmor::modem
