#include "dialing/ping.h"

#include <stdexcept>

namespace velmor {
namespace {

// The longest rest between two rounds of message handling in a wait.
constexpr int kWaitSliceMs = 10;

}  // namespace

TPing::TPing(EventLoop& loop, icmp::IcmpService* service) : loop_(loop), service_(service) {}

TPing::~TPing() {
    if (pending_ != 0 && service_) service_->cancelLookup(pending_);
}

void TPing::setService(icmp::IcmpService* service) {
    if (pending_ != 0 && service_) service_->cancelLookup(pending_);
    pending_ = 0;
    service_ = service;
}

void TPing::setAddress(const std::string& address) {
    if (address != address_) resolved_ = false;
    address_ = address;
}

void TPing::lookupDone(std::uint16_t error) {
    if (OnDnsLookupDone) OnDnsLookupDone(*this, error);
}

void TPing::startLookup(const std::string& host) {
    if (pending_ != 0 && service_) service_->cancelLookup(pending_);
    pending_ = 0;
    lookupResult_.clear();
    if (const auto address = icmp::parseDotted(host)) {
        lookupResult_ = icmp::dottedText(*address);
        lookupDone(0);
        return;
    }
    int error = icmp::kNotInitialised;
    icmp::IcmpService::LookupId id = 0;
    if (service_) {
        id = service_->startLookup(
            host,
            [this](int code, icmp::Ipv4 found) {
                pending_ = 0;
                if (code == 0) lookupResult_ = icmp::dottedText(found);
                lookupDone(static_cast<std::uint16_t>(code));
            },
            error);
    }
    if (id == 0) {
        throw std::runtime_error(host + ": can't start DNS lookup, error #" +
                                 std::to_string(error));
    }
    pending_ = id;
}

void TPing::cancelLookup() {
    if (pending_ == 0) return;
    if (service_) service_->cancelLookup(pending_);
    pending_ = 0;
    lookupDone(icmp::kLookupCancelled);
}

void TPing::processMessagesUntil(const std::function<bool()>& done) {
    while (!done()) {
        loop_.processMessages();
        if (done() || !service_) return;
        service_->waitForNews(kWaitSliceMs);
    }
}

void TPing::display(const std::string& text) {
    if (OnDisplay) OnDisplay(*this, text);
}

bool TPing::resolve() {
    if (const auto address = icmp::parseDotted(address_)) {
        resolvedAddress_ = *address;
        resolved_ = true;
        return true;
    }
    // A name: looked up like any other, with the window's messages handled meanwhile.
    struct Answer {
        bool done = false;
        int error = 0;
        icmp::Ipv4 address = 0;
    };
    auto answer = std::make_shared<Answer>();
    int error = icmp::kNotInitialised;
    const auto id = service_->startLookup(
        address_,
        [answer](int code, icmp::Ipv4 found) {
            answer->done = true;
            answer->error = code;
            answer->address = found;
        },
        error);
    if (id == 0) {
        answer->done = true;
        answer->error = error;
    }
    processMessagesUntil([&] { return answer->done; });
    if (!answer->done || answer->error != 0) {
        display("Unable to resolve " + address_);
        return false;
    }
    resolvedAddress_ = answer->address;
    resolved_ = true;
    return true;
}

int TPing::echoDone(int replies) {
    if (OnEchoReply) OnEchoReply(*this, replies);
    return replies;
}

int TPing::echo() {
    lastError_ = 0;
    lastReply_ = {};
    if (!service_) {
        lastError_ = icmp::kNotInitialised;
        return echoDone(0);
    }
    if (!resolved_ && !resolve()) {
        // Every echo ends in OnEchoReply: the waits of the program count on it.
        lastError_ = icmp::kBadDestination;
        display("Invalid host address");
        return echoDone(0);
    }
    if (TTL < 1 || TTL > 255) {
        lastError_ = icmp::kInvalidParameter;
        return echoDone(0);
    }
    icmp::EchoRequest request;
    request.address = resolvedAddress_;
    request.size = Size;
    request.timeoutMs = Timeout;
    request.ttl = static_cast<std::uint8_t>(TTL);
    request.flags = static_cast<std::uint8_t>(Flags);
    if (OnEchoRequest) OnEchoRequest(*this);

    struct Outcome {
        bool done = false;
        icmp::EchoResult result;
    };
    auto outcome = std::make_shared<Outcome>();
    service_->startEcho(request, [outcome](const icmp::EchoResult& r) {
        outcome->result = r;
        outcome->done = true;
    });
    processMessagesUntil([&] { return outcome->done; });
    lastReply_ = outcome->result;
    lastError_ = lastReply_.error;
    if (lastReply_.noSocket && !noSocketTold_) {
        noSocketTold_ = true;
        if (OnNoSocket) OnNoSocket(*this);
    }
    return echoDone(lastReply_.replies);
}

}  // namespace velmor
