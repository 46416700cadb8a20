// A real modem on a serial port: Velmor runs the AT dialogue itself, then hands the connected line
// to the system's pppd, whose log drives the rest of the dial.
#pragma once

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/modem_checks.h"
#include "platform/ras_device.h"

namespace velmor::modem {

// One device per port. A dial reports 0 before the port is opened, 1 once it is set up, 2 when
// the dial command is written, 3 at CONNECT, then from pppd's log 4 (its interface), 5 and 6 (the
// link is up), 12 and 14 (authenticated) and 8192 (addresses given). A failure reports its error
// once, at the last state reached, and the line answers status queries with it until it is hung
// up. A connected line whose pppd ends without a hang-up is lost: it is gone at once (its handle
// answers 6) and reports nothing. Each line runs on a worker thread of its own; hangUp only tells
// that worker and returns at once, and no notification follows it. One line at a time uses the
// port: a dial while one is dialling or connected fails with 602; one right after a hang-up waits
// (at state 0) until the last line has let go of the port.
class SerialModem : public ras::RasDevice {
  public:
    static constexpr const char* kDeviceType = "modem";

    SerialModem(std::string port, PppEnvironment env, ras::ErrorDetails& details);
    // Hangs up every line and waits for their workers (pppd ended, DTR dropped, port closed).
    ~SerialModem() override;
    SerialModem(const SerialModem&) = delete;
    SerialModem& operator=(const SerialModem&) = delete;

    int dial(ras::Handle handle, const PhonebookEntry& entry, const ras::DialRequest& request,
             ras::Notifier notifier) override;
    int hangUp(ras::Handle handle) override;
    bool holds(ras::Handle handle) const override;
    int status(ras::Handle handle, ras::ConnectStatus& out) override;
    void connections(std::vector<ras::Connection>& out) const override;
    int projection(ras::Handle handle, ras::Projection& out) override;
    int statistics(ras::Handle handle, ras::Statistics& out) override;
    int clearStatistics(ras::Handle handle) override;

    // Hung-up lines whose workers still let go of the port (pppd ending, the modem put on-hook).
    bool settling() const override {
        sweep();
        return !retired_.empty();
    }

    struct Line;
    // Whether a line uses the port now.
    struct Gate {
        std::mutex mutex;
        std::condition_variable freed;
        bool busy = false;
    };

  private:
    std::shared_ptr<Line> find(ras::Handle handle) const;
    void sweep() const;

    std::string port_;
    PppEnvironment env_;
    ras::ErrorDetails& details_;
    mutable std::map<ras::Handle, std::shared_ptr<Line>> lines_;
    mutable std::vector<std::shared_ptr<Line>> retired_;
    std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
};

}  // namespace velmor::modem
