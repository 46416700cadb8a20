// The simulated modem line: dials like a provider would answer (busy lines, refused logins, line
// speed, addresses, traffic, drops), on the event loop's timers.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/ras_device.h"

namespace velmor::sim {

// A successful dial reports 0, 1, 2, 3, 4, 5, 6, 12, 14 and 8192, one state every SimStepMs (the
// first one step after the dial). A number listed in SimBusy, SimNoAnswer, SimNoCarrier or
// SimNoDialtone fails one step after state 2 with 676, 678, 679 or 680; refused credentials fail
// one step after state 6 with 691. A failed line answers status queries with its error until it
// is hung up. A connected line counts traffic at the entry's rates on the loop's clock and drops
// after SimDropAfter seconds; a dropped or hung-up line is gone at once (its handle answers 6) and
// reports nothing more.
class SimModem : public ras::RasDevice {
  public:
    static constexpr const char* kDeviceType = "modem";
    static constexpr const char* kDeviceName = "Velmor simulated modem";

    explicit SimModem(EventLoop& loop);
    ~SimModem() override;
    SimModem(const SimModem&) = delete;
    SimModem& operator=(const SimModem&) = delete;

    int dial(ras::Handle handle, const PhonebookEntry& entry, const ras::DialRequest& request,
             ras::Notifier notifier) override;
    int hangUp(ras::Handle handle) override;
    bool holds(ras::Handle handle) const override;
    int status(ras::Handle handle, ras::ConnectStatus& out) override;
    void connections(std::vector<ras::Connection>& out) const override;
    int projection(ras::Handle handle, ras::Projection& out) override;
    int statistics(ras::Handle handle, ras::Statistics& out) override;
    int clearStatistics(ras::Handle handle) override;

    // Lines held now (dialling, connected or failed and not yet hung up).
    std::size_t lineCount() const { return lines_.size(); }

  private:
    enum class Phase { Dialling, Connected, Failed };
    struct Line {
        ras::Handle handle = 0;
        std::string entry;
        SimSettings sim;
        std::string number;
        std::string userName, password;
        ras::Notifier notifier;
        Phase phase = Phase::Dialling;
        int step = 0;   // index of the next state to report
        int state = 0;  // last state reported
        int error = 0;
        std::uint64_t connectedAt = 0;
        std::uint64_t sentBase = 0, receivedBase = 0;
        std::unique_ptr<Timer> timer;
    };

    void onTimer(ras::Handle handle);
    void report(Line& line, int state, int error);
    int lineError(const Line& line) const;
    bool loginAccepted(const Line& line);
    void retire(ras::Handle handle);
    void sweep();
    Line* find(ras::Handle handle) const;
    std::uint64_t connectedMs(const Line& line) const;

    EventLoop& loop_;
    std::map<ras::Handle, std::unique_ptr<Line>> lines_;
    // Lines that ended inside their own timer's handler; freed once no handler runs.
    std::vector<std::unique_ptr<Line>> retired_;
    int firing_ = 0;
    // Authentications per entry name since the program started (for SimRefuseLogins).
    std::map<std::string, std::uint32_t> authentications_;
};

}  // namespace velmor::sim
