#include "platform/linux/ppp_interface.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace velmor::modem {
namespace {

std::string addressText(const sockaddr* a) {
    if (!a || a->sa_family != AF_INET) return {};
    char buf[INET_ADDRSTRLEN];
    const auto* in = reinterpret_cast<const sockaddr_in*>(a);
    return inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf) ? buf : std::string();
}

// A 64-bit counter file of /sys/class/net/IF/statistics.
bool readCounter(const std::string& path, std::uint64_t& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[32];
    const ssize_t n = ::read(fd, buf, sizeof buf - 1);
    ::close(fd);
    if (n <= 0) return false;
    std::uint64_t v = 0;
    ssize_t i = 0;
    for (; i < n && buf[i] >= '0' && buf[i] <= '9'; ++i)
        v = v * 10 + static_cast<std::uint64_t>(buf[i] - '0');
    if (i == 0) return false;
    out = v;
    return true;
}

}  // namespace

void interfaceAddresses(const std::string& iface, std::string& local, std::string& remote) {
    ifaddrs* list = nullptr;
    if (iface.empty() || ::getifaddrs(&list) != 0) return;
    for (const ifaddrs* a = list; a; a = a->ifa_next) {
        if (!a->ifa_name || iface != a->ifa_name || !a->ifa_addr ||
            a->ifa_addr->sa_family != AF_INET)
            continue;
        local = addressText(a->ifa_addr);
        if (a->ifa_flags & IFF_POINTOPOINT) {
            if (const std::string peer = addressText(a->ifa_dstaddr); !peer.empty()) remote = peer;
        }
    }
    ::freeifaddrs(list);
}

bool readLinkCounters(const std::string& netRoot, const std::string& iface, std::uint64_t& sent,
                      std::uint64_t& received) {
    const std::string dir = netRoot + "/" + iface + "/statistics/";
    return readCounter(dir + "tx_bytes", sent) && readCounter(dir + "rx_bytes", received);
}

std::string defaultRouteDevice(const std::string& routeTable) {
    std::ifstream in(routeTable);
    std::string line, best;
    unsigned long bestMetric = std::numeric_limits<unsigned long>::max();
    std::getline(in, line);  // the heading
    while (std::getline(in, line)) {
        std::istringstream f(line);
        std::string iface, destination, gateway, flags, refs, use, metric, mask;
        if (!(f >> iface >> destination >> gateway >> flags >> refs >> use >> metric >> mask))
            continue;
        const unsigned long up = std::strtoul(flags.c_str(), nullptr, 16) & 1;  // RTF_UP
        if (destination != "00000000" || mask != "00000000" || !up) continue;
        const unsigned long m = std::strtoul(metric.c_str(), nullptr, 10);
        if (m < bestMetric) {
            bestMetric = m;
            best = iface;
        }
    }
    return best;
}

}  // namespace velmor::modem
