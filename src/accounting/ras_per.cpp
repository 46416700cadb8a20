#include "accounting/ras_per.h"

#include <algorithm>

namespace velmor {
namespace {

bool validPort(int i) {
    return i >= 0 && i < TRasPer::kPorts;
}

}  // namespace

const TRasPer::Port& TRasPer::port(int i) const {
    static const Port none;
    return validPort(i) ? ports_[static_cast<std::size_t>(i)] : none;
}

std::uint32_t TRasPer::PortSpeed(int i) const {
    return port(i).speed;
}

void TRasPer::AttachConnection(int i, ras::Handle handle) {
    if (i >= 1 && i < kPorts) ports_[static_cast<std::size_t>(i)].handle = handle;
}

void TRasPer::ResetPort(int i) {
    if (!validPort(i)) return;
    Port& p = ports_[static_cast<std::size_t>(i)];
    p.bytesSent = 0;
    p.bytesReceived = 0;
    p.speed = 0;
    if (p.handle != 0) {
        const int r = service_.clearConnectionStatistics(p.handle);
        if (r != 0) errInfo_ = service_.errorString(r);
    }
}

bool TRasPer::ResetAll() {
    for (int i = 0; i < kPorts; ++i) {
        ResetPort(i);
        Port& p = ports_[static_cast<std::size_t>(i)];
        p.handle = 0;
        p.subEntry = 0;
        p.name.clear();
    }
    return Refresh();
}

bool TRasPer::Start(bool begin, bool /*enumerate: the connection statistics need no list*/) {
    if (!service_.available()) {
        errInfo_ = service_.errorString(ras::kErrorDllNotFound);
        ResetAll();
        return false;
    }
    if (begin) Refresh();
    return ResetAll();
}

bool TRasPer::Refresh() {
    Port& total = ports_[0];
    total.bytesSent = 0;
    total.bytesReceived = 0;
    total.speed = 0;
    total.name = "all";
    totPorts_ = 0;
    if (!service_.available()) {
        errInfo_ = service_.errorString(ras::kErrorDllNotFound);
        return false;
    }
    bool ok = true;
    for (int i = 1; i < kPorts; ++i) {
        Port& p = ports_[static_cast<std::size_t>(i)];
        if (p.handle == 0) continue;
        ras::Statistics st;
        const int r = service_.getConnectionStatistics(p.handle, st);
        if (r != 0) {
            // The entry keeps what it had, so the total does not fall back while the line lasts.
            errInfo_ = service_.errorString(r);
            ok = false;
        } else {
            p.speed = std::max(p.speed, st.bps);
            p.bytesSent = std::max(p.bytesSent, st.bytesSent);
            p.bytesReceived = std::max(p.bytesReceived, st.bytesReceived);
            p.name = "x" + std::to_string(i);
            totPorts_ = std::max(totPorts_, i);
        }
        total.speed += p.speed;
        total.bytesSent += p.bytesSent;
        total.bytesReceived += p.bytesReceived;
    }
    return ok;
}

}  // namespace velmor
