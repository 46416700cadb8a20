// The ping component: finds the IPv4 address of a host without blocking and sends it one ICMP
// echo, reporting both as events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/event_loop.h"
#include "platform/icmp.h"

namespace velmor {

class TPing {
  public:
    // Without a service a host name cannot be looked up and an echo gets no reply.
    explicit TPing(EventLoop& loop, icmp::IcmpService* service = nullptr);
    // Drops a pending lookup without an event.
    ~TPing();
    TPing(const TPing&) = delete;
    TPing& operator=(const TPing&) = delete;

    // Drops a pending lookup without an event and uses the new service from now on.
    void setService(icmp::IcmpService* service);
    icmp::IcmpService* service() const { return service_; }

    // The host an echo goes to: a dotted address, or a name that the echo looks up first.
    const std::string& Address() const { return address_; }
    void setAddress(const std::string& address);
    int Size = 56;       // bytes of echo data
    int Timeout = 4000;  // milliseconds to wait for the reply
    int TTL = 64;        // 1 to 255
    int Flags = 0;       // IP header flags (see icmp::kFlagDontFragment)

    // The end of a lookup: 0, or the lookup's error code (icmp::kHostNotFound, ...).
    std::function<void(TPing&, std::uint16_t error)> OnDnsLookupDone;
    // After an echo: the number of replies (0 = none).
    std::function<void(TPing&, int status)> OnEchoReply;
    // Just before an echo request is sent.
    std::function<void(TPing&)> OnEchoRequest;
    // Diagnostic texts ("Unable to resolve ...", "Invalid host address").
    std::function<void(TPing&, const std::string& text)> OnDisplay;
    // The first echo that found no ICMP socket this user may open (later ones say nothing).
    std::function<void(TPing&)> OnNoSocket;

    // Starts finding the address of host. A dotted address is answered at once, before the call
    // returns; a name later, on the user-interface thread. A lookup still pending is dropped
    // without an event. Throws std::runtime_error when the lookup cannot be started.
    void startLookup(const std::string& host);
    // Cancels a pending lookup; OnDnsLookupDone then reports icmp::kLookupCancelled.
    void cancelLookup();
    bool lookupPending() const { return pending_ != 0; }
    // The dotted address found by the last successful lookup; empty while there is none.
    const std::string& lookupResult() const { return lookupResult_; }

    // Sends one echo to Address and waits for the reply or the time-out, handling the window's
    // messages meanwhile; fires OnEchoReply and returns the number of replies.
    int echo();
    // The result code of the last echo: 0, or why it got no reply.
    int LastError() const { return lastError_; }
    const icmp::EchoResult& LastReply() const { return lastReply_; }

    // Handles the window's messages until done() holds, resting between rounds until the service
    // has news: the waits that keep the window responsive.
    void processMessagesUntil(const std::function<bool()>& done);

  private:
    void lookupDone(std::uint16_t error);
    bool resolve();
    int echoDone(int replies);
    void display(const std::string& text);

    EventLoop& loop_;
    icmp::IcmpService* service_;
    icmp::IcmpService::LookupId pending_ = 0;
    std::string lookupResult_;

    std::string address_;
    bool resolved_ = false;
    icmp::Ipv4 resolvedAddress_ = 0;
    int lastError_ = 0;
    icmp::EchoResult lastReply_;
    bool noSocketTold_ = false;
};

}  // namespace velmor
