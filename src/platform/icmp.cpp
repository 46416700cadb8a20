#include "platform/icmp.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <algorithm>

namespace velmor::icmp {

int lookupErrorCode(int gaiResult) {
    switch (gaiResult) {
        case 0:
            return 0;
        case EAI_NONAME:
            return kHostNotFound;
        case EAI_AGAIN:
            return kTryAgain;
        case EAI_NODATA:
        case EAI_ADDRFAMILY:
        case EAI_FAMILY:
            return kNoData;
        case EAI_MEMORY:
            return kNoBuffers;
        default:
            return kNoRecovery;
    }
}

std::optional<Ipv4> parseDotted(const std::string& text) {
    in_addr a{};
    if (inet_pton(AF_INET, text.c_str(), &a) != 1) return std::nullopt;
    return ntohl(a.s_addr);
}

std::string dottedText(Ipv4 address) {
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "." +
           std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

std::vector<std::uint8_t> echoData(int size) {
    static const char text[] = "Velmor 0.97 keeps the dial-up line busy. Ping";
    static_assert(sizeof text - 1 == kEchoTextLength);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(std::max(size, 0)), ' ');
    for (std::size_t i = 0; i < data.size() && i < kEchoTextLength; ++i)
        data[i] = static_cast<std::uint8_t>(text[i]);
    return data;
}

std::uint16_t internetChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2) sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::vector<std::uint8_t> echoPacket(std::uint16_t ident, std::uint16_t sequence, int size) {
    std::vector<std::uint8_t> packet(8);
    packet[0] = 8;  // echo request
    packet[4] = static_cast<std::uint8_t>(ident >> 8);
    packet[5] = static_cast<std::uint8_t>(ident);
    packet[6] = static_cast<std::uint8_t>(sequence >> 8);
    packet[7] = static_cast<std::uint8_t>(sequence);
    const std::vector<std::uint8_t> data = echoData(size);
    packet.insert(packet.end(), data.begin(), data.end());
    const std::uint16_t sum = internetChecksum(packet.data(), packet.size());
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);
    return packet;
}

int matchEchoReply(const std::uint8_t* p, std::size_t n, bool withIpHeader, Ipv4 from,
                   const EchoMatch& wanted) {
    if (withIpHeader) {
        if (n < 20 || (p[0] >> 4) != 4) return -1;
        const std::size_t headerLength = (p[0] & 0x0Fu) * 4u;
        if (headerLength < 20 || n < headerLength) return -1;
        p += headerLength;
        n -= headerLength;
    }
    if (n < 8 || from != wanted.from) return -1;
    if (p[0] != 0 || p[1] != 0 || internetChecksum(p, n) != 0) return -1;  // echo reply, code 0
    const auto ident = static_cast<std::uint16_t>(p[4] << 8 | p[5]);
    const auto sequence = static_cast<std::uint16_t>(p[6] << 8 | p[7]);
    if ((wanted.ident != 0 && ident != wanted.ident) || sequence != wanted.sequence) return -1;
    return static_cast<int>(n - 8);
}

}  // namespace velmor::icmp
