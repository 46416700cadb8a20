#include "platform/control.h"

#include "platform/app_id.h"

namespace velmor::control {
namespace {

const char* const kStateNames[] = {"idle", "dialling", "pausing", "connected"};

const char* const kPropertyNames[kPropertyCount] = {
    "State",     "Locked",       "Entry",         "Phone",          "StateText",
    "Speed",     "LocalAddress", "RemoteAddress", "SessionSeconds", "ReceivedBytes",
    "SentBytes", "SessionMoney", "Attempts",
};

const char* const kRefusalNames[] = {
    "", "Locked", "NotIdle", "NotActive", "Unavailable", "NoSuchEntry", "Busy"};
constexpr int kRefusals = 7;

}  // namespace

const char* stateName(State state) {
    return kStateNames[static_cast<int>(state)];
}

State stateFromName(const std::string& name) {
    for (int i = 0; i < 4; ++i) {
        if (name == kStateNames[i]) return static_cast<State>(i);
    }
    return State::Idle;
}

const char* propertyName(Property p) {
    return kPropertyNames[static_cast<int>(p)];
}

bool isCounter(Property p) {
    return p == Property::SessionSeconds || p == Property::ReceivedBytes ||
           p == Property::SentBytes || p == Property::SessionMoney;
}

std::vector<Property> differences(const Snapshot& a, const Snapshot& b) {
    std::vector<Property> out;
    auto check = [&out](bool differ, Property p) {
        if (differ) out.push_back(p);
    };
    check(a.state != b.state, Property::State);
    check(a.locked != b.locked, Property::Locked);
    check(a.entry != b.entry, Property::Entry);
    check(a.phone != b.phone, Property::Phone);
    check(a.stateText != b.stateText, Property::StateText);
    check(a.speed != b.speed, Property::Speed);
    check(a.localAddress != b.localAddress, Property::LocalAddress);
    check(a.remoteAddress != b.remoteAddress, Property::RemoteAddress);
    check(a.sessionSeconds != b.sessionSeconds, Property::SessionSeconds);
    check(a.receivedBytes != b.receivedBytes, Property::ReceivedBytes);
    check(a.sentBytes != b.sentBytes, Property::SentBytes);
    check(a.sessionMoney != b.sessionMoney, Property::SessionMoney);
    check(a.attempts != b.attempts, Property::Attempts);
    return out;
}

std::string errorName(Refusal r) {
    if (r == Refusal::None) return {};
    return std::string(kAppId) + ".Error." + kRefusalNames[static_cast<int>(r)];
}

Refusal refusalFromErrorName(const std::string& name) {
    for (int i = 1; i < kRefusals; ++i) {
        const auto r = static_cast<Refusal>(i);
        if (name == errorName(r)) return r;
    }
    return Refusal::None;
}

}  // namespace velmor::control
