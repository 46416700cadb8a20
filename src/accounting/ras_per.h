// The traffic counters of the active connection: bytes sent and received and the line speed, in
// a port table whose entry 0 is the total.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/ras.h"

namespace velmor {

// The counters come from the service's per-connection statistics. What the program relies on:
// entry 0 reads zero right after Start, never decreases while the connection lasts (a statistics
// call that fails or reports less leaves the last values in place), carries the line speed in bits
// per second, and a Refresh is one statistics call per attached connection. Failures are silent:
// they leave a text in ErrInfo and nothing else.
class TRasPer {
  public:
    static constexpr int kPorts = 31;  // entry 0 the total, 1..30 single connections or links

    struct Port {
        ras::Handle handle = 0;
        std::uint32_t subEntry = 0;
        std::uint64_t bytesSent = 0;
        std::uint64_t bytesReceived = 0;
        std::uint32_t speed = 0;  // bits per second
        std::string name;
    };

    explicit TRasPer(ras::RasService& service) : service_(service) {}

    // Prepares the source and zeroes the table (refreshing first when begin is set).
    bool Start(bool begin, bool enumerate);
    // Zeroes every entry and detaches every connection, then refreshes.
    bool ResetAll();
    // Zeroes entry i and clears the statistics of its connection.
    void ResetPort(int i);
    // Reads the statistics of every attached connection and recomputes the total.
    bool Refresh();
    void AttachConnection(int i, ras::Handle handle);
    std::uint32_t PortSpeed(int i) const;

    // Entry 0.
    std::uint64_t BytesSent() const { return ports_[0].bytesSent; }
    std::uint64_t BytesReceived() const { return ports_[0].bytesReceived; }
    const Port& port(int i) const;

    int TotPorts() const { return totPorts_; }
    const std::string& ErrInfo() const { return errInfo_; }

  private:
    ras::RasService& service_;
    std::array<Port, kPorts> ports_{};
    int totPorts_ = 0;
    std::string errInfo_;
};

}  // namespace velmor
