// Name lookup of a host and one ICMP echo to it, both without blocking the window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmor {
class EventLoop;
}

namespace velmor::icmp {

// An IPv4 address in host byte order (127.0.0.1 is 0x7F000001).
using Ipv4 = std::uint32_t;

// Result codes of a lookup, as the Windows sockets library numbers them, so that every code the
// ping component reports comes from one table.
constexpr int kLookupCancelled = 10004;  // the lookup was cancelled
constexpr int kNotInitialised = 10093;   // there is no lookup service
constexpr int kNoBuffers = 10055;        // out of memory
constexpr int kHostNotFound = 11001;     // the name does not exist (EAI_NONAME)
constexpr int kTryAgain = 11002;         // a temporary failure of the resolver (EAI_AGAIN)
constexpr int kNoRecovery = 11003;       // the resolver failed (EAI_FAIL, EAI_SYSTEM, others)
constexpr int kNoData = 11004;           // the name has no IPv4 address (EAI_NODATA, ...)
// Result codes of an echo besides the system's errno values.
constexpr int kEchoTimedOut = 11010;    // no reply within the time-out
constexpr int kBadDestination = 11018;  // the address is not usable
constexpr int kInvalidParameter = 87;   // size, TTL or time-out out of range

// The code above for a getaddrinfo result (0 stays 0).
int lookupErrorCode(int gaiResult);

// A dotted IPv4 address of four decimal parts ("10.0.0.1"); nothing for any other text.
std::optional<Ipv4> parseDotted(const std::string& text);
std::string dottedText(Ipv4 address);

// The "don't fragment" bit of the IP header flags of a request. With it the request leaves with
// DF set (IP_MTU_DISCOVER = IP_PMTUDISC_DO); without it DF is clear (IP_PMTUDISC_DONT). The other
// bits have no per-socket counterpart on Linux and are ignored.
constexpr std::uint8_t kFlagDontFragment = 0x02;
// The largest number of data bytes of one request.
constexpr int kMaxEchoSize = 65500;

struct EchoRequest {
    Ipv4 address = 0;
    int size = 56;           // bytes of data, 0 to kMaxEchoSize
    std::uint8_t ttl = 64;   // 1 to 255
    std::uint8_t flags = 0;  // IP header flags; only kFlagDontFragment means something here
    int timeoutMs = 4000;    // how long to wait for the reply
};

struct EchoResult {
    int replies = 0;  // 0 or 1
    int error = 0;    // 0, kEchoTimedOut, kBadDestination, kInvalidParameter or errno
    Ipv4 from = 0;    // the replying address
    int roundTripMs = 0;
    int dataSize = 0;  // data bytes of the reply
    // No ICMP socket could be opened: this user may have neither a datagram nor a raw one.
    bool noSocket = false;
};

// The data of a request: a fixed text of 45 characters, cut to size or followed by spaces.
std::vector<std::uint8_t> echoData(int size);
constexpr std::size_t kEchoTextLength = 45;
// An echo request: type 8, code 0, checksum, identifier, sequence number, then echoData(size).
std::vector<std::uint8_t> echoPacket(std::uint16_t ident, std::uint16_t sequence, int size);

// What a reply must carry to answer a request.
struct EchoMatch {
    Ipv4 from = 0;
    std::uint16_t ident = 0;  // 0: any (a datagram socket whose identifier is not known)
    std::uint16_t sequence = 0;
};
// The data size of a received packet when it is an intact echo reply to the request, else -1.
// withIpHeader: the packet starts with the IP header (as a raw socket delivers it).
int matchEchoReply(const std::uint8_t* packet, std::size_t size, bool withIpHeader, Ipv4 from,
                   const EchoMatch& wanted);

// The Internet checksum (one's complement sum of 16-bit words) of bytes.
std::uint16_t internetChecksum(const std::uint8_t* data, std::size_t size);

class IcmpService {
  public:
    using LookupId = std::uint64_t;  // 0: none
    using EchoId = std::uint64_t;
    using LookupDone = std::function<void(int error, Ipv4 address)>;
    using EchoDone = std::function<void(const EchoResult&)>;

    virtual ~IcmpService() = default;

    // Starts finding the IPv4 address of host on a worker. done runs later on the user-interface
    // thread (through the event loop), exactly once unless the lookup is cancelled first; error
    // is 0 or one of the lookup codes above. Returns 0 and sets startError when the lookup cannot
    // be started (done then never runs).
    virtual LookupId startLookup(const std::string& host, LookupDone done, int& startError) = 0;
    // done of that lookup will not run. Unknown or finished ids are ignored.
    virtual void cancelLookup(LookupId id) = 0;

    // Sends one echo request on a worker; done runs later on the user-interface thread, exactly
    // once, after the reply or the time-out.
    virtual EchoId startEcho(const EchoRequest& request, EchoDone done) = 0;

    // Blocks for at most maxMs, less when a result has been handed to the event loop since the
    // last call: the pause between two rounds of message processing in a wait.
    virtual void waitForNews(int maxMs) = 0;
};

// Which ICMP socket the system service sends with.
enum class SocketKind {
    Any,       // a datagram socket where the system allows it to this user, else a raw socket
    Datagram,  // SOCK_DGRAM + IPPROTO_ICMP (net.ipv4.ping_group_range must hold the user's group)
    Raw,       // SOCK_RAW + IPPROTO_ICMP (root or CAP_NET_RAW)
};

// The system's lookup (getaddrinfo, IPv4 only) and echo (an ICMP socket, one worker thread per
// request). Results are posted to loop, which must outlive the service.
std::unique_ptr<IcmpService> makeSystemService(EventLoop& loop, SocketKind kind = SocketKind::Any);

// Opens and closes a socket of that kind: 0 when it can be opened, else the errno value.
int probeSocket(SocketKind kind);

}  // namespace velmor::icmp
