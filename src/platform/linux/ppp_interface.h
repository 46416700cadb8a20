// The network interface of an established PPP link: its addresses, its byte counters and whether
// the default route goes through it.
#pragma once

#include <cstdint>
#include <string>

namespace velmor::modem {

// Replaces local and remote with the interface's own IPv4 addresses where it has them.
void interfaceAddresses(const std::string& iface, std::string& local, std::string& remote);

// The interface's counters from netRoot (/sys/class/net); false when they cannot be read.
bool readLinkCounters(const std::string& netRoot, const std::string& iface, std::uint64_t& sent,
                      std::uint64_t& received);

// The interface of the IPv4 default route with the lowest metric in a routing table as
// /proc/net/route shows it; empty when there is none.
std::string defaultRouteDevice(const std::string& routeTable = "/proc/net/route");

}  // namespace velmor::modem
