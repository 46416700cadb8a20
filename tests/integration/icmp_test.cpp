// The system's name lookup and ICMP echo. Traffic goes only to the loopback address, here or in
// a network namespace the test makes for itself.
// Before linux/icmp.h, which would otherwise bring a second set of interface flags.
#include <net/if.h>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dialing/ping.h"
#include "platform/icmp.h"
#include "platform/virtual_loop.h"

using namespace velmor;

namespace {

constexpr icmp::Ipv4 kLoopback = 0x7F000001;

const char* kindName(icmp::SocketKind kind) {
    return kind == icmp::SocketKind::Datagram ? "datagram" : "raw";
}

// The echo requests seen on the loopback interface, through a raw socket of the test's own.
class Capture {
  public:
    Capture() : fd_(socket(AF_INET, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_ICMP)) {
        if (fd_ < 0) return;
        icmp_filter filter{~(1u << ICMP_ECHO)};
        setsockopt(fd_, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }
    ~Capture() {
        if (fd_ >= 0) close(fd_);
    }
    bool open() const { return fd_ >= 0; }

    struct Request {
        int ttl = -1;
        bool dontFragment = false;
        int totalLength = 0;
        std::vector<std::uint8_t> data;
    };
    // The last request seen whose data has the given size.
    std::optional<Request> lastOfSize(int size) {
        std::optional<Request> found;
        std::uint8_t buffer[70000];
        for (;;) {
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n < 0) break;
            const std::size_t header = (buffer[0] & 0x0Fu) * 4u;
            if (static_cast<std::size_t>(n) < header + 8 || buffer[header] != ICMP_ECHO) continue;
            if (static_cast<int>(n - header - 8) != size) continue;
            Request r;
            r.ttl = buffer[8];
            r.dontFragment = (buffer[6] & 0x40) != 0;
            r.totalLength = buffer[2] << 8 | buffer[3];
            r.data.assign(buffer + header + 8, buffer + n);
            found = r;
        }
        return found;
    }

  private:
    int fd_;
};

struct Recorder {
    std::vector<int> lookups;
    std::vector<int> replies;
    void attach(TPing& ping) {
        ping.OnDnsLookupDone = [this](TPing&, std::uint16_t e) { lookups.push_back(e); };
        ping.OnEchoReply = [this](TPing&, int s) { replies.push_back(s); };
    }
};

}  // namespace

TEST(SystemIcmp, LoopbackAnswersWithSizeTtlAndFlagsCarried) {
    std::vector<icmp::SocketKind> kinds;
    std::string unavailable;
    for (auto kind : {icmp::SocketKind::Datagram, icmp::SocketKind::Raw}) {
        const int error = icmp::probeSocket(kind);
        if (error == 0) {
            kinds.push_back(kind);
        } else {
            unavailable += std::string(" ") + kindName(kind) + ": " + std::strerror(error) + ";";
            std::printf("ICMP %s socket not available here: %s\n", kindName(kind),
                        std::strerror(error));
        }
    }
    if (kinds.empty()) GTEST_SKIP() << "no ICMP socket can be opened:" << unavailable;
    kinds.push_back(icmp::SocketKind::Any);

    Capture capture;
    int size = 100;
    for (auto kind : kinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        VirtualLoop loop;
        auto service = icmp::makeSystemService(loop, kind);
        TPing ping(loop, service.get());
        Recorder seen;
        seen.attach(ping);
        ping.Timeout = 3000;
        ping.setAddress("127.0.0.1");
        ping.Size = ++size;  // sizes tell the requests of this run apart
        ping.TTL = 9;
        ping.Flags = icmp::kFlagDontFragment;
        EXPECT_EQ(ping.echo(), 1) << ping.LastError();
        EXPECT_EQ(seen.replies, std::vector<int>{1});
        EXPECT_EQ(ping.LastError(), 0);
        EXPECT_EQ(ping.LastReply().from, kLoopback);
        EXPECT_EQ(ping.LastReply().dataSize, size);
        EXPECT_LT(ping.LastReply().roundTripMs, 3000);
        if (capture.open()) {
            const auto sent = capture.lastOfSize(size);
            ASSERT_TRUE(sent);
            EXPECT_EQ(sent->ttl, 9);
            EXPECT_TRUE(sent->dontFragment);
            EXPECT_EQ(sent->totalLength, 20 + 8 + size);
            EXPECT_EQ(sent->data, icmp::echoData(size));
        }

        // The program's own values: 56 bytes, TTL 64, no flags.
        ping.Size = 56 + static_cast<int>(kind);
        ping.TTL = 64;
        ping.Flags = 0;
        EXPECT_EQ(ping.echo(), 1) << ping.LastError();
        if (capture.open()) {
            const auto sent = capture.lastOfSize(ping.Size);
            ASSERT_TRUE(sent);
            EXPECT_EQ(sent->ttl, 64);
            EXPECT_FALSE(sent->dontFragment);
            EXPECT_EQ(sent->data, icmp::echoData(ping.Size));
        }
    }
    if (!capture.open()) std::printf("requests not inspected: no raw socket for the test\n");
}

TEST(SystemIcmp, NamesAreLookedUpOnAWorker) {
    VirtualLoop loop;
    auto service = icmp::makeSystemService(loop);
    TPing ping(loop, service.get());
    Recorder seen;
    seen.attach(ping);
    ping.startLookup("localhost");
    EXPECT_TRUE(seen.lookups.empty());  // not inside the call
    ping.processMessagesUntil([&] { return !seen.lookups.empty(); });
    EXPECT_EQ(seen.lookups, std::vector<int>{0});
    EXPECT_EQ(ping.lookupResult(), "127.0.0.1");

    // A cancelled lookup reports 10004 once and its answer is dropped.
    seen.lookups.clear();
    ping.startLookup("localhost");
    ping.cancelLookup();
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    ping.processMessagesUntil([&] { return std::chrono::steady_clock::now() > until; });
    EXPECT_EQ(seen.lookups, std::vector<int>{icmp::kLookupCancelled});
    EXPECT_EQ(ping.lookupResult(), "");

    // A service that goes away with a lookup under way posts nothing afterwards.
    ping.startLookup("localhost");
    ping.setService(nullptr);
    service.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    loop.processMessages();
    EXPECT_EQ(seen.lookups, std::vector<int>{icmp::kLookupCancelled});
}

namespace {

// Runs checks in a child process inside a new network namespace with only the loopback
// interface; returns the child's exit status (77: no namespace here) and its messages.
int inOwnNamespace(const std::function<void(std::string& failures)>& checks, std::string& out) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        std::string failures;
        if (unshare(CLONE_NEWNET) != 0) {
            failures = std::string("unshare: ") + std::strerror(errno);
            const ssize_t w = write(pipeFds[1], failures.data(), failures.size());
            (void)w;
            _exit(77);
        }
        const int s = socket(AF_INET, SOCK_DGRAM, 0);
        ifreq ifr{};
        std::strcpy(ifr.ifr_name, "lo");
        ioctl(s, SIOCGIFFLAGS, &ifr);
        ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
        if (ioctl(s, SIOCSIFFLAGS, &ifr) != 0) failures += "lo stays down; ";
        close(s);
        checks(failures);
        const ssize_t w = write(pipeFds[1], failures.data(), failures.size());
        (void)w;
        _exit(failures.empty() ? 0 : 1);
    }
    close(pipeFds[1]);
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool writeSetting(const char* path, const char* value) {
    const int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok =
        write(fd, value, std::strlen(value)) == static_cast<ssize_t>(std::strlen(value));
    close(fd);
    return ok;
}

}  // namespace

TEST(SystemIcmp, DatagramSocketsAndTimeOutsInANamespace) {
    std::string out;
    const int status = inOwnNamespace(
        [](std::string& failures) {
            auto expect = [&](bool ok, const std::string& what) {
                if (!ok) failures += what + "; ";
            };
            VirtualLoop loop;
            // Datagram sockets for every group, as many systems allow.
            expect(writeSetting("/proc/sys/net/ipv4/ping_group_range", "0 2147483647"),
                   "ping_group_range not writable");
            auto datagram = icmp::makeSystemService(loop, icmp::SocketKind::Datagram);
            auto raw = icmp::makeSystemService(loop, icmp::SocketKind::Raw);
            TPing ping(loop, datagram.get());
            ping.setAddress("127.0.0.1");
            ping.Timeout = 700;
            const int replies = ping.echo();
            expect(replies == 1, "datagram echo: " + std::to_string(replies) + " replies, error " +
                                     std::to_string(ping.LastError()));

            // Echo requests ignored: no reply after the time-out, and the loop ran meanwhile.
            expect(writeSetting("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"),
                   "icmp_echo_ignore_all not writable");
            for (icmp::IcmpService* service : {datagram.get(), raw.get()}) {
                ping.setService(service);
                bool ranMeanwhile = false;
                loop.post([&] { ranMeanwhile = true; });
                int reported = -1;
                ping.OnEchoReply = [&](TPing&, int s) { reported = s; };
                const auto start = std::chrono::steady_clock::now();
                const int none = ping.echo();
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now() - start)
                                    .count();
                const std::string kind = service == raw.get() ? "raw" : "datagram";
                expect(none == 0 && reported == 0, kind + ": a reply while echoes are ignored");
                expect(ping.LastError() == icmp::kEchoTimedOut,
                       kind + ": error " + std::to_string(ping.LastError()));
                expect(ms >= 690 && ms < 1700, kind + ": waited " + std::to_string(ms) + " ms");
                expect(ranMeanwhile, kind + ": posted work did not run during the wait");
            }

            // No route to the address in this namespace: the send fails at once.
            ping.OnEchoReply = nullptr;
            ping.setService(datagram.get());
            ping.setAddress("10.1.2.3");
            ping.Timeout = 5000;
            const auto start = std::chrono::steady_clock::now();
            expect(ping.echo() == 0, "a reply from an unroutable address");
            expect(ping.LastError() == ENETUNREACH,
                   "unroutable: error " + std::to_string(ping.LastError()));
            expect(std::chrono::steady_clock::now() - start < std::chrono::seconds(2),
                   "unroutable: waited for the time-out");
        },
        out);
    if (status == 77) GTEST_SKIP() << "no network namespace of our own: " << out;
    EXPECT_EQ(status, 0) << out;
}

TEST(SystemIcmp, WithoutAnySocketEveryEchoGoesUnansweredAndTheReasonComesOnce) {
    std::string out;
    const int status = inOwnNamespace(
        [](std::string& failures) {
            auto expect = [&](bool ok, const std::string& what) {
                if (!ok) failures += what + "; ";
            };
            // Datagram sockets for no group, and no right to raw ones.
            expect(writeSetting("/proc/sys/net/ipv4/ping_group_range", "1 0"),
                   "ping_group_range not writable");
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct caps[2]{};
            const unsigned bit = 1u << (CAP_NET_RAW % 32);
            syscall(SYS_capget, &header, caps);
            caps[CAP_NET_RAW / 32].effective &= ~bit;
            caps[CAP_NET_RAW / 32].permitted &= ~bit;
            expect(syscall(SYS_capset, &header, caps) == 0, "CAP_NET_RAW not dropped");
            VirtualLoop loop;
            auto service = icmp::makeSystemService(loop);
            TPing ping(loop, service.get());
            int told = 0;
            ping.OnNoSocket = [&](TPing&) { ++told; };
            ping.setAddress("127.0.0.1");
            for (int i = 0; i < 2; ++i) {
                expect(ping.echo() == 0, "a reply without a socket");
                expect(ping.LastReply().noSocket,
                       "not told why: error " + std::to_string(ping.LastError()));
            }
            expect(told == 1, "told " + std::to_string(told) + " times");
        },
        out);
    if (status == 77) GTEST_SKIP() << "no network namespace of our own: " << out;
    EXPECT_EQ(status, 0) << out;
}
