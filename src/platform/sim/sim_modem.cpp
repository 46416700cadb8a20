#include "platform/sim/sim_modem.h"

#include <algorithm>
#include <array>
#include <limits>

namespace velmor::sim {
namespace {

// The states of a successful dial, in order.
constexpr std::array<int, 10> kSequence = {ras::kStateOpenPort,
                                           ras::kStatePortOpened,
                                           ras::kStateConnectDevice,
                                           ras::kStateDeviceConnected,
                                           ras::kStateAllDevicesConnected,
                                           ras::kStateAuthenticate,
                                           ras::kStateAuthNotify,
                                           ras::kStateAuthAck,
                                           ras::kStateAuthenticated,
                                           ras::kStateConnected};
// Index of the state that follows the dialling state (where a line fault shows) and of the one
// that follows the authentication notification (where a refused login shows).
constexpr int kAfterDialling = 3;
constexpr int kAfterAuthentication = 7;

bool containsAny(const std::string& number, const std::vector<std::string>& items) {
    return std::any_of(items.begin(), items.end(), [&](const std::string& item) {
        return !item.empty() && number.find(item) != std::string::npos;
    });
}

int clampInterval(std::uint64_t ms) {
    const auto maxMs = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    return static_cast<int>(std::clamp<std::uint64_t>(ms, 1, maxMs));
}

}  // namespace

SimModem::SimModem(EventLoop& loop) : loop_(loop) {}

SimModem::~SimModem() = default;

SimModem::Line* SimModem::find(ras::Handle handle) const {
    const auto it = lines_.find(handle);
    return it == lines_.end() ? nullptr : it->second.get();
}

bool SimModem::holds(ras::Handle handle) const {
    return find(handle) != nullptr;
}

void SimModem::sweep() {
    if (firing_ == 0) retired_.clear();
}

int SimModem::dial(ras::Handle handle, const PhonebookEntry& entry, const ras::DialRequest& request,
                   ras::Notifier notifier) {
    sweep();
    if (handle == 0 || find(handle)) return ras::kErrorInvalidParameter;
    // One modem per entry: a line of the entry that is still dialling or connected keeps the port.
    // A failed line that nobody hung up yet gives way to the new dial.
    for (auto it = lines_.begin(); it != lines_.end();) {
        Line& other = *it->second;
        if (other.entry == entry.name) {
            if (other.phase != Phase::Failed) return ras::kErrorPortAlreadyOpen;
            other.timer->setEnabled(false);
            if (firing_ > 0) retired_.push_back(std::move(it->second));
            it = lines_.erase(it);
        } else {
            ++it;
        }
    }
    auto line = std::make_unique<Line>();
    line->handle = handle;
    line->entry = entry.name;
    line->sim = entry.sim;
    line->number = request.phoneNumber.empty() ? entry.phoneNumber : request.phoneNumber;
    line->userName = request.userName;
    line->password = request.password;
    line->notifier = std::move(notifier);
    line->timer = std::make_unique<Timer>(loop_, clampInterval(entry.sim.stepMs));
    line->timer->onTimer = [this, handle] { onTimer(handle); };
    line->timer->setEnabled(true);
    lines_.emplace(handle, std::move(line));
    return 0;
}

int SimModem::lineError(const Line& line) const {
    if (containsAny(line.number, line.sim.busy)) return ras::kErrorLineBusy;
    if (containsAny(line.number, line.sim.noAnswer)) return ras::kErrorNoAnswer;
    if (containsAny(line.number, line.sim.noCarrier)) return ras::kErrorNoCarrier;
    if (containsAny(line.number, line.sim.noDialtone)) return ras::kErrorNoDialtone;
    return 0;
}

bool SimModem::loginAccepted(const Line& line) {
    const std::uint32_t attempt = ++authentications_[line.entry];
    if (attempt <= line.sim.refuseFirstLogins) return false;
    if (!line.sim.restrictLogins) return true;
    const auto& pairs = line.sim.logins;
    return std::any_of(pairs.begin(), pairs.end(), [&](const auto& p) {
        return p.first == line.userName && p.second == line.password;
    });
}

void SimModem::report(Line& line, int state, int error) {
    line.state = state;
    line.error = error;
    // The notifier only queues the notification; it gets its own copy in case the line ends.
    const ras::Notifier notify = line.notifier;
    if (notify) notify(line.handle, 0, state, error);
}

void SimModem::onTimer(ras::Handle handle) {
    Line* line = find(handle);
    if (!line) return;
    ++firing_;
    if (line->phase == Phase::Connected) {
        // The drop timer: the line is gone without a word, as a real line drop is.
        retire(handle);
    } else if (line->phase == Phase::Dialling) {
        int failure = 0;
        if (line->step == kAfterDialling) {
            failure = lineError(*line);
        } else if (line->step == kAfterAuthentication && !loginAccepted(*line)) {
            failure = ras::kErrorAuthenticationFailure;
        }
        if (failure != 0) {
            line->phase = Phase::Failed;
            line->timer->setEnabled(false);
            report(*line, line->state, failure);
        } else {
            const int state = kSequence[static_cast<std::size_t>(line->step++)];
            if (state == ras::kStateConnected) {
                line->phase = Phase::Connected;
                line->connectedAt = loop_.tickCount();
                line->timer->setEnabled(false);
                if (line->sim.dropAfterSec > 0) {
                    line->timer->setInterval(
                        clampInterval(std::uint64_t{line->sim.dropAfterSec} * 1000));
                    line->timer->setEnabled(true);
                }
            }
            report(*line, state, 0);
        }
    }
    --firing_;
}

void SimModem::retire(ras::Handle handle) {
    const auto it = lines_.find(handle);
    if (it == lines_.end()) return;
    it->second->timer->setEnabled(false);
    if (firing_ > 0) retired_.push_back(std::move(it->second));
    lines_.erase(it);
}

int SimModem::hangUp(ras::Handle handle) {
    sweep();
    if (!find(handle)) return ras::kErrorInvalidHandle;
    retire(handle);
    return 0;
}

int SimModem::status(ras::Handle handle, ras::ConnectStatus& out) {
    sweep();
    const Line* line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    out.state = line->phase == Phase::Connected ? ras::kStateConnected : line->state;
    out.error = line->phase == Phase::Failed ? line->error : 0;
    out.deviceType = kDeviceType;
    out.deviceName = kDeviceName;
    out.phoneNumber = line->number;
    return 0;
}

void SimModem::connections(std::vector<ras::Connection>& out) const {
    for (const auto& [handle, line] : lines_) {
        if (line->phase == Phase::Failed) continue;
        out.push_back({handle, line->entry, kDeviceType, kDeviceName, ""});
    }
}

int SimModem::projection(ras::Handle handle, ras::Projection& out) {
    sweep();
    const Line* line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    if (line->phase != Phase::Connected) return ras::kErrorProjectionNotComplete;
    out.localIp = line->sim.localIp;
    out.serverIp = line->sim.serverIp;
    out.authProtocol = ras::kAuthChap;
    return 0;
}

std::uint64_t SimModem::connectedMs(const Line& line) const {
    const std::uint64_t now = loop_.tickCount();
    return now > line.connectedAt ? now - line.connectedAt : 0;
}

int SimModem::statistics(ras::Handle handle, ras::Statistics& out) {
    sweep();
    const Line* line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    out = {};
    if (line->phase != Phase::Connected) return 0;
    const std::uint64_t ms = connectedMs(*line);
    // The phonebook caps the rates at 10^9 bytes a second: exact for over 200 days online.
    const std::uint64_t sent = line->sim.txRate * ms / 1000;
    const std::uint64_t received = line->sim.rxRate * ms / 1000;
    out.bytesSent = sent - std::min(sent, line->sentBase);
    out.bytesReceived = received - std::min(received, line->receivedBase);
    out.bps = line->sim.speed;
    out.connectDurationMs = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(ms, std::numeric_limits<std::uint32_t>::max()));
    return 0;
}

int SimModem::clearStatistics(ras::Handle handle) {
    sweep();
    Line* line = find(handle);
    if (!line) return ras::kErrorInvalidHandle;
    if (line->phase == Phase::Connected) {
        const std::uint64_t ms = connectedMs(*line);
        line->sentBase = line->sim.txRate * ms / 1000;
        line->receivedBase = line->sim.rxRate * ms / 1000;
    }
    return 0;
}

}  // namespace velmor::sim
