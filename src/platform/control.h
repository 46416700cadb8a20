// The running program as other programs of the user's session see it: its state and counters, and
// the commands they may give it (the session bus under the application id).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmor::control {

// The object of the running program: its path is the application id with "." as "/", as the
// desktop's application interface asks; the program's own interface and its errors carry the id.
inline constexpr const char* kObjectPath = "/invalid/velmor/velmor";
inline constexpr const char* kInterface = "invalid.velmor.velmor.Control";
inline constexpr const char* kApplicationInterface = "org.freedesktop.Application";
// The desktop entry's actions, run through the application interface.
inline constexpr const char* kConnectAction = "connect";
inline constexpr const char* kDisconnectAction = "disconnect";

enum class State { Idle, Dialling, Pausing, Connected };
// "idle", "dialling", "pausing", "connected"; Idle for any other text.
const char* stateName(State state);
State stateFromName(const std::string& name);

// What the program shows of itself. Never a login, a password or the program password.
struct Snapshot {
    State state = State::Idle;
    bool locked = false;
    std::string entry;        // the entry on display
    std::string phone;        // the number of the current attempt or connection; empty when idle
    std::string stateText;    // the state line
    std::uint32_t speed = 0;  // the line speed in bit/s while connected
    std::string localAddress, remoteAddress;  // while connected
    // The current or last session of the entry, as the statistics pages show it; the traffic is
    // counted in kilobytes of 1000 bytes.
    std::int64_t sessionSeconds = 0;
    std::uint64_t receivedBytes = 0;
    std::uint64_t sentBytes = 0;
    double sessionMoney = 0;
    std::uint32_t attempts = 0;  // dial attempts since the start or the last reset

    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

// The properties of the interface, in the order of Snapshot.
enum class Property {
    State,
    Locked,
    Entry,
    Phone,
    StateText,
    Speed,
    LocalAddress,
    RemoteAddress,
    SessionSeconds,
    ReceivedBytes,
    SentBytes,
    SessionMoney,
    Attempts,
};
inline constexpr int kPropertyCount = 13;
// The property's name on the bus ("State", "SessionSeconds").
const char* propertyName(Property p);
// The counters of a session, which change every second on line.
bool isCounter(Property p);
// The properties whose values differ.
std::vector<Property> differences(const Snapshot& a, const Snapshot& b);

enum class Command { Dial, HangUp, Next, Redial, SelectEntry, Show, Activate };

// Why a command was not carried out; each has an error name on the bus.
enum class Refusal { None, Locked, NotIdle, NotActive, Unavailable, NoSuchEntry, Busy };
// "invalid.velmor.velmor.Error.Locked", ...; empty for None.
std::string errorName(Refusal r);
Refusal refusalFromErrorName(const std::string& name);

struct Outcome {
    Refusal refusal = Refusal::None;
    std::string message;  // why, in the user's words
    bool done() const { return refusal == Refusal::None; }
};

// The program's side: what it shows and what it does on a command. Called on the user-interface
// thread.
class ControlHandler {
  public:
    virtual ~ControlHandler() = default;
    virtual Snapshot snapshot() const = 0;
    // argument: the entry's name for SelectEntry, otherwise empty.
    virtual Outcome command(Command command, const std::string& argument) = 0;
};

// The service on the session bus.
class ControlService {
  public:
    virtual ~ControlService() = default;
    // Tells the watchers that these properties changed, with their values in now.
    virtual void propertiesChanged(const Snapshot& now, const std::vector<Property>& changed) = 0;
};

}  // namespace velmor::control
