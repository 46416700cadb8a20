#include "dialing/ras_con.h"

#include <algorithm>
#include <deque>
#include <mutex>

#include "platform/collate.h"

namespace velmor {
namespace {

constexpr const char* kNotAvailable = "RASAPI32.DLL Not Available";

struct StateName {
    int state;
    const char* text;
};

constexpr StateName kStateNames[] = {
    {0, "Opening Serial Port"},          {1, "Serial Port Opened"},
    {2, "Connecting/Dialling"},          {3, "Connected/Answered"},
    {4, "Connected/Negotiation"},        {5, "Validating User and Password"},
    {6, "Authentication Notification"},  {8, "Authentication Call Back"},
    {10, "Projection Started"},          {11, "Calculating Link speed"},
    {12, "Authentication acknowledged"}, {13, "Reauthenticating"},
    {14, "Login Authenticated"},         {15, "Preparing for Callback"},
    {16, "Waiting for Modem Reset"},     {17, "Waiting for Callback"},
    {18, "Projection Completion"},       {19, "Start Authentication"},
    {20, "Callback Complete"},           {21, "Logon to Network"},
    {22, "Extra Channel Connected"},     {23, "Extra Channel Disconnected"},
    {4096, "Interactive Terminal"},      {4097, "Retry Authentication"},
    {4098, "Callback Set By Caller"},    {4099, "Password Expires"},
    {4100, "Paused for Authentication"}, {8192, "Connected/Online"},
    {8193, "Disconnected/Offline"},
};

std::string unknownState(int state) {
    return "Unknown State (" + std::to_string(state) + ")";
}

std::string errorTextOf(const ras::RasService& service, int code) {
    if (code < 0) return "";
    if (!service.available()) return kNotAvailable;
    return service.errorString(code);
}

std::string stateTextOf(const ras::RasService& service, int state) {
    for (const auto& s : kStateNames) {
        if (s.state == state) return s.text;
    }
    if (state <= 600) return unknownState(state);
    return errorTextOf(service, state);
}

std::string asciiLower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

std::string authProtocolText(std::uint32_t protocol) {
    switch (protocol) {
        case ras::kAuthPap:
            return "PPP PAP ";
        case ras::kAuthSpap:
            return "PPP SPAP ";
        case ras::kAuthChap:
            return "PPP CHAP ";
        case ras::kAuthEap:
            return "PPP EAP ";
        default:
            return protocol != 0 ? "PPP " : "";
    }
}

}  // namespace

// What the notifier's thread and the user-interface thread share; every field under the mutex.
struct TRasCon::Shared {
    struct Item {
        int slot = 0;
        TRasStateRec rec;
    };

    EventLoop* loop = nullptr;
    const ras::RasService* service = nullptr;
    TRasCon* owner = nullptr;  // cleared when the component goes

    mutable std::mutex mutex;
    std::uint16_t currentState = 0;
    std::string statusText;
    std::string deviceName, deviceType, phoneNumber;
    ras::Handle handle = 0;
    std::uint32_t subEntry = 0;
    std::uint32_t errorCode = 0;
    std::deque<Item> queue;
    int nextSlot = 1;

    // Copies the state fields into the queue; the caller holds the mutex.
    void pushLocked(std::uint8_t origin) {
        Item item;
        item.slot = nextSlot;
        item.rec.State = currentState;
        item.rec.StatusText = statusText;
        item.rec.DeviceName = deviceName;
        item.rec.DeviceType = deviceType;
        item.rec.PhoneNumber = phoneNumber;
        item.rec.ConnHandle = handle;
        item.rec.SubEntry = subEntry;
        item.rec.ErrorCode = errorCode;
        item.rec.Origin = origin;
        item.rec.Ticks = static_cast<std::uint32_t>(loop->tickCount());
        queue.push_back(std::move(item));
        nextSlot = nextSlot % kRingSlots + 1;
    }
};

TRasCon::TRasCon(EventLoop& loop, ras::RasService& service)
    : loop_(loop), service_(service), shared_(std::make_shared<Shared>()) {
    shared_->loop = &loop;
    shared_->service = &service;
    shared_->owner = this;
}

TRasCon::~TRasCon() {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->owner = nullptr;
    shared_->queue.clear();
}

std::uint16_t TRasCon::CurrentState() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->currentState;
}

std::string TRasCon::StatusText() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->statusText;
}

std::size_t TRasCon::PendingNotifications() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->queue.size();
}

int TRasCon::NextSlot() const {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->nextSlot;
}

std::string TRasCon::ErrorText(int code) const {
    return errorTextOf(service_, code);
}

std::string TRasCon::StateText(int state) const {
    return stateTextOf(service_, state);
}

bool TRasCon::checkAvailable() {
    if (service_.available()) return true;
    lastResult_ = ras::kErrorDllNotFound;
    return false;
}

bool TRasCon::RasAvailable() {
    if (!checkAvailable()) {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->statusText = kNotAvailable;
        return false;
    }
    lastResult_ = 0;
    return true;
}

int TRasCon::ListEntries() {
    if (!checkAvailable()) return lastResult_;
    entryNames_.clear();
    std::vector<std::string> names;
    lastResult_ = service_.enumEntries(names);
    std::stable_sort(names.begin(), names.end(), nameLess);
    entryNames_ = std::move(names);
    return lastResult_;
}

int TRasCon::CreateEntry() {
    if (!checkAvailable()) return lastResult_;
    lastResult_ = EntryEditor ? EntryEditor(std::string()) : ras::kErrorNotSupported;
    return lastResult_;
}

int TRasCon::EditEntry() {
    if (!checkAvailable()) return lastResult_;
    lastResult_ = EntryEditor ? EntryEditor(EntryName) : ras::kErrorNotSupported;
    return lastResult_;
}

int TRasCon::DeleteEntry() {
    if (!checkAvailable()) return lastResult_;
    lastResult_ = service_.deleteEntry(EntryName);
    if (lastResult_ == 0) EntryName.clear();
    return lastResult_;
}

void TRasCon::enumerate(std::vector<ras::Connection>& list) {
    list.clear();
    lastResult_ = service_.enumConnections(list);
    const bool usable =
        (lastResult_ == 0 || lastResult_ == ras::kErrorBufferTooSmall) && !list.empty();
    if (!usable) list.clear();
    if (list.size() > kMaxConnections) list.resize(kMaxConnections);
    if (usable) {
        const ras::Connection& first = list.front();
        activeEntry_ = first.entryName;
        activeHandle_ = first.handle;
        activeDeviceName_ = first.deviceName;
        activeDeviceType_ = asciiLower(first.deviceType);
    } else {
        activeEntry_.clear();
        activeHandle_ = 0;
        activeDeviceName_.clear();
        activeDeviceType_.clear();
    }
}

std::string TRasCon::FirstConnection() {
    if (!checkAvailable()) return std::string();
    std::vector<ras::Connection> list;
    enumerate(list);
    return activeEntry_;
}

int TRasCon::ListConnections() {
    if (!checkAvailable()) return lastResult_;
    std::vector<ras::Connection> list;
    enumerate(list);
    connectionsChanged_ = list != connections_;
    if (connectionsChanged_) connections_ = std::move(list);
    return lastResult_;
}

void TRasCon::notify(const std::shared_ptr<Shared>& s, ras::Handle handle, std::uint32_t subEntry,
                     int state, int error) {
    // The texts first: the service answers them on any thread.
    const std::string text =
        error != 0 ? errorTextOf(*s->service, error) : stateTextOf(*s->service, state);
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        if (!s->owner) return;
        s->handle = handle;
        s->subEntry = subEntry;
        s->errorCode = static_cast<std::uint32_t>(error);
        s->deviceName.clear();
        s->deviceType.clear();
        s->phoneNumber.clear();
        s->currentState = static_cast<std::uint16_t>(error != 0 ? error : state);
        s->statusText = text;
        s->pushLocked(TRasStateRec::kOriginDial);
    }
    std::weak_ptr<Shared> weak = s;
    s->loop->post([weak] { deliver(weak); });
}

void TRasCon::queue(const std::shared_ptr<Shared>& s, std::uint8_t origin) {
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        s->pushLocked(origin);
    }
    std::weak_ptr<Shared> weak = s;
    s->loop->post([weak] { deliver(weak); });
}

void TRasCon::deliver(const std::weak_ptr<Shared>& weak) {
    const auto s = weak.lock();
    if (!s) return;
    Shared::Item item;
    TRasCon* owner = nullptr;
    {
        std::lock_guard<std::mutex> lock(s->mutex);
        owner = s->owner;
        // Each posted delivery hands over the oldest record; one whose record was withdrawn by a
        // hang-up finds the queue shorter and may find it empty.
        if (!owner || s->queue.empty()) return;
        item = std::move(s->queue.front());
        s->queue.pop_front();
    }
    owner->deliveredSlot_ = item.slot;
    const TStateEvent handler = owner->OnStateEvent;  // the handler may replace itself
    if (handler) handler(*owner, item.rec);
}

int TRasCon::Dial(ras::Handle& handle) {
    handle = 0;
    if (!checkAvailable()) return lastResult_;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->currentState = 0;
    }
    ras::DialRequest request;
    request.entryName = EntryName;
    request.phoneNumber = PhoneNumber;
    request.userName = UserName;
    request.password = Password;
    request.callbackNumber = CallbackNumber;
    request.domain = Domain;
    request.subEntry = SubEntry;
    std::weak_ptr<Shared> weak = shared_;
    ras::Notifier notifier = [weak](ras::Handle h, std::uint32_t sub, int state, int error) {
        if (const auto s = weak.lock()) notify(s, h, sub, state, error);
    };
    ras::Handle h = 0;
    lastResult_ = service_.dial(request, std::move(notifier), h);
    if (lastResult_ != 0) {
        const std::string text = ErrorText(lastResult_);
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->statusText = text;
        return lastResult_;
    }
    handle = h;
    return 0;
}

int TRasCon::ReadConnectStatus(ras::Handle handle, std::uint32_t subEntry) {
    if (!checkAvailable()) return lastResult_;
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->currentState = ras::kErrorInvalidPortHandle;
        shared_->statusText = unknownState(ras::kErrorInvalidPortHandle);
        shared_->deviceName.clear();
        shared_->deviceType.clear();
        shared_->phoneNumber.clear();
        shared_->handle = handle;
        shared_->subEntry = subEntry;
    }
    if (handle == 0) {
        lastResult_ = ras::kErrorInvalidHandle;
        return lastResult_;
    }
    ras::ConnectStatus status;
    int result = service_.getConnectStatus(handle, status);
    const bool read = result == 0;
    if (read && status.error > 600) result = status.error;
    // A connection that no longer exists keeps the preset: state 601, "Unknown State (601)".
    std::string text;
    if (result == 0) {
        text = StateText(status.state);
    } else if (result != ras::kErrorInvalidHandle) {
        text = ErrorText(result);
    }
    {
        std::lock_guard<std::mutex> lock(shared_->mutex);
        if (read) {
            shared_->deviceName = status.deviceName;
            shared_->deviceType = status.deviceType;
            shared_->phoneNumber = status.phoneNumber;
            shared_->currentState = static_cast<std::uint16_t>(status.state);
            shared_->errorCode = static_cast<std::uint32_t>(status.error);
        }
        if (!text.empty()) shared_->statusText = text;
    }
    lastResult_ = result;
    return result;
}

int TRasCon::HangUpAndWait(ras::Handle handle, std::uint32_t subEntry, int timeoutMs,
                           bool reportStates) {
    if (!checkAvailable()) return lastResult_;
    if (handle == 0) {
        lastResult_ = ras::kErrorInvalidHandle;
        return lastResult_;
    }
    {
        // Progress of this dial that has not been delivered yet is withdrawn: nothing follows a
        // hang-up but what the wait below reports.
        std::lock_guard<std::mutex> lock(shared_->mutex);
        std::erase_if(shared_->queue, [&](const Shared::Item& item) {
            return item.rec.Origin == TRasStateRec::kOriginDial && item.rec.ConnHandle == handle;
        });
    }
    const int result = service_.hangUp(handle);
    const std::uint64_t start = loop_.tickCount();
    const auto timeout = static_cast<std::uint64_t>(std::max(timeoutMs, 0));
    int lastSeen = -1;
    for (;;) {
        ReadConnectStatus(handle, subEntry);
        const int state = CurrentState();
        if (reportStates && state != lastSeen) {
            const std::string text = StateText(state);
            {
                std::lock_guard<std::mutex> lock(shared_->mutex);
                shared_->statusText = text;
            }
            queue(shared_, TRasStateRec::kOriginHangUpWait);
            lastSeen = state;
        }
        if (state == ras::kStateDisconnected || state == ras::kErrorInvalidPortHandle) break;
        if (loop_.tickCount() - start > timeout) break;
        loop_.sleepMs(kHangUpPollMs);
    }
    lastResult_ = result;
    return result;
}

int TRasCon::ReadProjection(ras::Handle handle) {
    if (!checkAvailable()) return lastResult_;
    localIP_.clear();
    serverIP_.clear();
    authProtocol_.clear();
    ras::Projection projection;
    lastResult_ = service_.getProjection(handle, projection);
    if (lastResult_ == 0) {
        localIP_ = projection.localIp;
        serverIP_ = projection.serverIp;
        authProtocol_ = authProtocolText(projection.authProtocol);
    }
    return lastResult_;
}

}  // namespace velmor
