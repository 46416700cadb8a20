#include "dialing/ping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "platform/virtual_loop.h"
#include "scripted_icmp.h"

using namespace velmor;
using velmor::test::ScriptedIcmp;

namespace {

constexpr icmp::Ipv4 k10001 = 0x0A000001;
constexpr icmp::Ipv4 kGate = 0x0A010101;

class PingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        icmp_.names["gate.example"] = kGate;
        ping_.OnDnsLookupDone = [this](TPing&, std::uint16_t error) { lookups_.push_back(error); };
        ping_.OnEchoReply = [this](TPing&, int status) { replies_.push_back(status); };
        ping_.OnDisplay = [this](TPing&, const std::string& text) { display_.push_back(text); };
    }

    VirtualLoop loop_;
    ScriptedIcmp icmp_{loop_};
    TPing ping_{loop_, &icmp_};
    std::vector<int> lookups_;
    std::vector<int> replies_;
    std::vector<std::string> display_;
};

}  // namespace

TEST(IcmpText, DottedAddressesChecksumAndEchoData) {
    EXPECT_EQ(icmp::parseDotted("10.0.0.1"), k10001);
    EXPECT_EQ(icmp::parseDotted("255.255.255.255"), 0xFFFFFFFFu);
    for (const char* notDotted :
         {"10.1", "gate.example", "256.0.0.1", " 10.0.0.1", "", "1.2.3.4.5"})
        EXPECT_FALSE(icmp::parseDotted(notDotted)) << notDotted;
    EXPECT_EQ(icmp::dottedText(0xC0A80A01), "192.168.10.1");
    EXPECT_EQ(icmp::dottedText(*icmp::parseDotted("0.255.7.200")), "0.255.7.200");

    // The classic worked example: 00 01 f2 03 f4 f5 f6 f7 sums to ddf2.
    const std::uint8_t words[] = {0x00, 0x01, 0xf2, 0x03, 0xf4, 0xf5, 0xf6, 0xf7};
    EXPECT_EQ(icmp::internetChecksum(words, sizeof words), 0x220D);
    // An odd length counts the last byte as the high half of a word; a message carrying its own
    // checksum sums to zero.
    std::uint8_t message[] = {0x08, 0x00, 0x00, 0x00, 0x12, 0x34, 0x00, 0x01, 0x41};
    const std::uint16_t sum = icmp::internetChecksum(message, sizeof message);
    message[2] = static_cast<std::uint8_t>(sum >> 8);
    message[3] = static_cast<std::uint8_t>(sum);
    EXPECT_EQ(icmp::internetChecksum(message, sizeof message), 0);

    // The fixed text first, then blanks up to the size; a smaller size cuts the text.
    const auto big = icmp::echoData(100);
    ASSERT_EQ(big.size(), 100u);
    const auto text = icmp::echoData(icmp::kEchoTextLength);
    EXPECT_NE(text.back(), ' ');
    EXPECT_TRUE(std::equal(text.begin(), text.end(), big.begin()));
    EXPECT_TRUE(std::all_of(big.begin() + icmp::kEchoTextLength, big.end(),
                            [](std::uint8_t c) { return c == ' '; }));
    const auto small = icmp::echoData(10);
    EXPECT_TRUE(std::equal(small.begin(), small.end(), text.begin()));
    EXPECT_TRUE(icmp::echoData(0).empty());
}

TEST(IcmpText, RequestsAndTheRepliesThatAnswerThem) {
    const auto request = icmp::echoPacket(0x1234, 0x0102, 60);
    ASSERT_EQ(request.size(), 68u);
    EXPECT_EQ(request[0], 8);
    EXPECT_EQ(request[1], 0);
    EXPECT_EQ(request[4] << 8 | request[5], 0x1234);
    EXPECT_EQ(request[6] << 8 | request[7], 0x0102);
    EXPECT_EQ(icmp::internetChecksum(request.data(), request.size()), 0);
    EXPECT_TRUE(std::equal(request.begin() + 8, request.end(), icmp::echoData(60).begin()));

    // The reply the loopback host sends: type 0, the checksum adjusted, data unchanged.
    auto reply = request;
    reply[0] = 0;
    reply[2] = reply[3] = 0;
    const std::uint16_t sum = icmp::internetChecksum(reply.data(), reply.size());
    reply[2] = static_cast<std::uint8_t>(sum >> 8);
    reply[3] = static_cast<std::uint8_t>(sum);
    constexpr icmp::Ipv4 from = 0x7F000001;
    auto match = [&](const std::vector<std::uint8_t>& p, bool ip = false,
                     icmp::Ipv4 src = 0x7F000001,
                     icmp::EchoMatch w = {0x7F000001, 0x1234, 0x0102}) {
        return icmp::matchEchoReply(p.data(), p.size(), ip, src, w);
    };
    EXPECT_EQ(match(reply), 60);
    EXPECT_EQ(match(reply, false, from, {from, 0, 0x0102}), 60);  // identifier not known
    EXPECT_EQ(match(request), -1);                                // our own request
    EXPECT_EQ(match(reply, false, 0x7F000002), -1);               // another host
    EXPECT_EQ(match(reply, false, from, {from, 0x1235, 0x0102}), -1);
    EXPECT_EQ(match(reply, false, from, {from, 0x1234, 0x0103}), -1);
    auto damaged = reply;
    damaged[20] ^= 0x01;
    EXPECT_EQ(match(damaged), -1);
    EXPECT_EQ(match(std::vector<std::uint8_t>(reply.begin(), reply.begin() + 7)), -1);

    // Behind an IP header of 20 bytes, or of 24 with options; a header that claims more than
    // the packet holds, or another IP version, is refused.
    std::vector<std::uint8_t> ip(20, 0);
    ip[0] = 0x45;
    auto withIp = ip;
    withIp.insert(withIp.end(), reply.begin(), reply.end());
    EXPECT_EQ(match(withIp, true), 60);
    EXPECT_EQ(match(reply, true), -1);  // no IP header where one belongs
    auto withOptions = ip;
    withOptions[0] = 0x46;
    withOptions.insert(withOptions.end(), 4, 1);
    withOptions.insert(withOptions.end(), reply.begin(), reply.end());
    EXPECT_EQ(match(withOptions, true), 60);
    auto tooLong = withIp;
    tooLong[0] = 0x4F;
    tooLong.resize(50);
    EXPECT_EQ(match(tooLong, true), -1);
    auto version6 = withIp;
    version6[0] = 0x65;
    EXPECT_EQ(match(version6, true), -1);
    EXPECT_EQ(match(std::vector<std::uint8_t>(ip.begin(), ip.begin() + 19), true), -1);
}

TEST_F(PingTest, DottedAddressIsAnsweredInsideStartLookup) {
    bool returned = false;
    ping_.OnDnsLookupDone = [&](TPing& p, std::uint16_t error) {
        EXPECT_FALSE(returned);
        EXPECT_EQ(error, 0);
        EXPECT_EQ(p.lookupResult(), "10.0.0.1");
        lookups_.push_back(error);
    };
    ping_.startLookup("10.0.0.1");
    returned = true;
    EXPECT_EQ(lookups_.size(), 1u);
    EXPECT_FALSE(ping_.lookupPending());
    EXPECT_TRUE(icmp_.lookups.empty());  // the resolver is not asked

    // Without a service a dotted address still answers; a name cannot be looked up.
    TPing bare(loop_);
    int events = 0;
    bare.OnDnsLookupDone = [&](TPing&, std::uint16_t) { ++events; };
    bare.startLookup("192.168.1.1");
    EXPECT_EQ(events, 1);
    try {
        bare.startLookup("gate.example");
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "gate.example: can't start DNS lookup, error #10093");
    }
    EXPECT_EQ(events, 1);
    EXPECT_EQ(bare.lookupResult(), "");
}

TEST_F(PingTest, NamesAnswerLaterOnceAndCancellingReportsOnce) {
    ping_.startLookup("gate.example");
    EXPECT_TRUE(lookups_.empty());
    EXPECT_TRUE(ping_.lookupPending());
    loop_.advance(100);
    EXPECT_EQ(lookups_, std::vector<int>{0});
    EXPECT_EQ(ping_.lookupResult(), "10.1.1.1");

    // A name that does not exist: the resolver's error later, and the old result is gone.
    ping_.startLookup("nohost.example");
    EXPECT_EQ(ping_.lookupResult(), "");
    loop_.advance(100);
    EXPECT_EQ(lookups_, (std::vector<int>{0, icmp::kHostNotFound}));

    // A new lookup replaces a pending one, which then reports nothing.
    lookups_.clear();
    ping_.startLookup("nohost.example");
    ping_.startLookup("gate.example");
    loop_.advance(100);
    EXPECT_EQ(lookups_, std::vector<int>{0});
    EXPECT_EQ(icmp_.cancelled, 1);

    // Cancelling reports 10004 at once and nothing after it.
    lookups_.clear();
    ping_.startLookup("gate.example");
    ping_.cancelLookup();
    EXPECT_EQ(lookups_, std::vector<int>{icmp::kLookupCancelled});
    loop_.advance(100);
    ping_.cancelLookup();  // nothing pending: no event
    EXPECT_EQ(lookups_, std::vector<int>{icmp::kLookupCancelled});
    EXPECT_TRUE(icmp_.idle());

    // Destroying the component drops its lookup without an event.
    {
        TPing gone(loop_, &icmp_);
        gone.OnDnsLookupDone = [&](TPing&, std::uint16_t) { ADD_FAILURE() << "event"; };
        gone.startLookup("gate.example");
    }
    loop_.advance(100);
    EXPECT_TRUE(icmp_.idle());
}

TEST_F(PingTest, EchoWaitsWithTheLoopRunningAndAlwaysReports) {
    ping_.Timeout = 6000;
    ping_.setAddress("10.0.0.1");
    int ticks = 0;
    Timer clock(loop_, 1000, true);
    clock.onTimer = [&] { ++ticks; };
    const auto start = loop_.tickCount();
    EXPECT_EQ(ping_.echo(), 0);
    // The time-out passed while the window's timers kept running.
    EXPECT_GE(loop_.tickCount() - start, 6000u);
    EXPECT_LT(loop_.tickCount() - start, 6100u);
    EXPECT_EQ(ticks, 6);
    EXPECT_EQ(replies_, std::vector<int>{0});
    EXPECT_EQ(ping_.LastError(), icmp::kEchoTimedOut);
    ASSERT_EQ(icmp_.echoes.size(), 1u);
    const icmp::EchoRequest& sent = icmp_.echoes[0];
    EXPECT_EQ(sent.address, k10001);
    EXPECT_EQ(sent.size, 56);
    EXPECT_EQ(sent.ttl, 64);
    EXPECT_EQ(sent.flags, 0);
    EXPECT_EQ(sent.timeoutMs, 6000);

    icmp_.answering[k10001] = 40;
    ping_.Size = 100;
    ping_.TTL = 9;
    ping_.Flags = icmp::kFlagDontFragment;
    EXPECT_EQ(ping_.echo(), 1);
    EXPECT_EQ(replies_, (std::vector<int>{0, 1}));
    EXPECT_EQ(ping_.LastReply().dataSize, 100);
    EXPECT_EQ(icmp_.echoes.back().ttl, 9);
    EXPECT_EQ(icmp_.echoes.back().flags, icmp::kFlagDontFragment);

    // A name is looked up first, once; a new address is looked up again.
    icmp_.answering[kGate] = 10;
    ping_.setAddress("gate.example");
    EXPECT_EQ(ping_.echo(), 1);
    EXPECT_EQ(ping_.echo(), 1);
    EXPECT_EQ(icmp_.lookups, std::vector<std::string>{"gate.example"});
    EXPECT_EQ(icmp_.echoes.back().address, kGate);

    // A name that cannot be resolved: no request, but the reply event still comes.
    const auto sentBefore = icmp_.echoes.size();
    ping_.setAddress("nohost.example");
    EXPECT_EQ(ping_.echo(), 0);
    EXPECT_EQ(icmp_.echoes.size(), sentBefore);
    EXPECT_EQ(replies_.back(), 0);
    EXPECT_EQ(display_, (std::vector<std::string>{"Unable to resolve nohost.example",
                                                  "Invalid host address"}));
    EXPECT_EQ(ping_.LastError(), icmp::kBadDestination);

    // A TTL the system cannot send.
    ping_.setAddress("10.0.0.1");
    ping_.TTL = 0;
    EXPECT_EQ(ping_.echo(), 0);
    EXPECT_EQ(ping_.LastError(), icmp::kInvalidParameter);
    EXPECT_EQ(icmp_.echoes.size(), sentBefore);
    EXPECT_EQ(replies_.size(), 6u);
}
