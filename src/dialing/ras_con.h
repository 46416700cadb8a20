// The connection component: the only way the program reaches the remote access service (entry
// list, entry dialogs, dialling with state events, hang-up, status, connections, IP address).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/ras.h"

namespace velmor {

// One progress notification as the state event hands it over; a copy taken when it was queued.
struct TRasStateRec {
    std::uint32_t State = 0;  // CurrentState at the time of the notification
    std::string StatusText;   // StatusText at that time
    std::string DeviceName;
    std::string DeviceType;
    std::string PhoneNumber;  // number reported by the last status query
    ras::Handle ConnHandle = 0;
    std::uint32_t SubEntry = 0;
    std::uint32_t ErrorCode = 0;  // 0 = no error
    std::uint8_t Origin = 0;      // kOriginDial or kOriginHangUpWait
    std::uint32_t Ticks = 0;      // tick count when queued

    static constexpr std::uint8_t kOriginDial = 0;
    static constexpr std::uint8_t kOriginHangUpWait = 2;
};

class TRasCon;
using TStateEvent = std::function<void(TRasCon& sender, const TRasStateRec& connState)>;

// Notifications travel through a locked queue: the notifier (on any thread) writes the state
// fields, copies them into the queue and posts the delivery to the user-interface thread, which
// hands them to OnStateEvent one by one in arrival order. Each queued record also gets the slot
// number 1..16 of the original ring (the 17th notification is numbered 1 again), but unlike a ring
// the queue never overwrites a record that was not delivered yet.
class TRasCon {
  public:
    TRasCon(EventLoop& loop, ras::RasService& service);
    ~TRasCon();
    TRasCon(const TRasCon&) = delete;
    TRasCon& operator=(const TRasCon&) = delete;

    // Dial inputs.
    std::string EntryName;
    std::string PhoneNumber;
    std::string UserName;
    std::string Password;
    std::uint32_t SubEntry = 1;
    std::string CallbackNumber;  // passed through; empty in this program
    std::string Domain;          // passed through; empty in this program
    std::uint32_t CallbackId = 0;

    TStateEvent OnStateEvent;
    // Our own entry dialog, filled in by the window: called with an empty name to create an entry
    // and with EntryName to edit one; returns a result code. Without it CreateEntry and EditEntry
    // answer ras::kErrorNotSupported.
    std::function<int(const std::string& entryName)> EntryEditor;

    bool RasAvailable();
    int ListEntries();
    int CreateEntry();
    int EditEntry();
    int DeleteEntry();
    std::string FirstConnection();
    int ListConnections();
    int Dial(ras::Handle& handle);
    int HangUpAndWait(ras::Handle handle, std::uint32_t subEntry, int timeoutMs, bool reportStates);
    int ReadConnectStatus(ras::Handle handle, std::uint32_t subEntry);
    int ReadProjection(ras::Handle handle);
    std::string ErrorText(int code) const;
    std::string StateText(int state) const;

    // Run-time state. CurrentState and StatusText may change on the notifier's thread.
    std::uint16_t CurrentState() const;
    std::string StatusText() const;
    int LastResult() const { return lastResult_; }
    const std::vector<std::string>& EntryNames() const { return entryNames_; }
    // Up to 8 active connections; ConnectionsChanged tells whether the last ListConnections
    // changed the list.
    const std::vector<ras::Connection>& Connections() const { return connections_; }
    bool ConnectionsChanged() const { return connectionsChanged_; }
    const std::string& ActiveEntry() const { return activeEntry_; }
    ras::Handle ActiveHandle() const { return activeHandle_; }
    const std::string& ActiveDeviceName() const { return activeDeviceName_; }
    const std::string& ActiveDeviceType() const { return activeDeviceType_; }
    const std::string& LocalIP() const { return localIP_; }
    const std::string& ServerIP() const { return serverIP_; }
    // "PPP CHAP " and the like, from the last ReadProjection; not used by the program.
    const std::string& AuthProtocol() const { return authProtocol_; }

    // The queue: records waiting for delivery, the slot number the next record gets, and the slot
    // number of the record being (or last) delivered.
    std::size_t PendingNotifications() const;
    int NextSlot() const;
    int DeliveredSlot() const { return deliveredSlot_; }

    static constexpr std::size_t kMaxConnections = 8;
    static constexpr int kRingSlots = 16;
    // Polling interval of HangUpAndWait.
    static constexpr int kHangUpPollMs = 50;

  private:
    struct Shared;
    bool checkAvailable();
    void enumerate(std::vector<ras::Connection>& list);
    static void notify(const std::shared_ptr<Shared>& s, ras::Handle handle, std::uint32_t subEntry,
                       int state, int error);
    static void queue(const std::shared_ptr<Shared>& s, std::uint8_t origin);
    static void deliver(const std::weak_ptr<Shared>& weak);

    EventLoop& loop_;
    ras::RasService& service_;
    std::shared_ptr<Shared> shared_;
    int lastResult_ = 0;
    std::vector<std::string> entryNames_;
    std::vector<ras::Connection> connections_;
    bool connectionsChanged_ = false;
    std::string activeEntry_;
    ras::Handle activeHandle_ = 0;
    std::string activeDeviceName_;
    std::string activeDeviceType_;
    std::string localIP_;
    std::string serverIP_;
    std::string authProtocol_;
    int deliveredSlot_ = 0;
};

}  // namespace velmor
