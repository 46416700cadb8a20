// The system's name lookup and ICMP echo: getaddrinfo on a worker thread, and an ICMP datagram
// socket (or a raw one where datagram sockets are not allowed) on a worker thread per echo.
#include <arpa/inet.h>
#include <linux/icmp.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/event_loop.h"
#include "platform/icmp.h"

namespace velmor::icmp {
namespace {

using SteadyClock = std::chrono::steady_clock;

// What the workers share with the service: the way to the event loop, and the callbacks waiting
// for their results (those only on the user-interface thread).
struct Shared {
    std::mutex mutex;
    std::condition_variable news;
    EventLoop* loop = nullptr;  // null once the service is gone
    std::uint64_t posted = 0;   // results handed to the loop so far

    std::map<IcmpService::LookupId, IcmpService::LookupDone> lookups;
    std::map<IcmpService::EchoId, IcmpService::EchoDone> echoes;

    // Hands work to the user-interface thread unless the service is gone.
    void post(std::function<void()> work) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!loop) return;
        loop->post(std::move(work));
        ++posted;
        news.notify_all();
    }
};

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// A socket of that kind, or -errno. Any tries a datagram socket first.
int openSocket(SocketKind kind, bool& raw) {
    if (kind != SocketKind::Raw) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0 || kind == SocketKind::Datagram) {
            raw = false;
            return fd >= 0 ? fd : -errno;
        }
    }
    const int fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    raw = true;
    return fd >= 0 ? fd : -errno;
}

// Sends one echo request and waits for its reply, the time-out or a write to stopFd.
EchoResult sendEcho(const EchoRequest& r, SocketKind kind, int stopFd, std::uint16_t ident,
                    std::uint16_t sequence) {
    EchoResult result;
    if (r.size < 0 || r.size > kMaxEchoSize || r.ttl == 0 || r.timeoutMs < 0) {
        result.error = kInvalidParameter;
        return result;
    }
    bool raw = false;
    const int opened = openSocket(kind, raw);
    if (opened < 0) {
        result.error = -opened;
        result.noSocket = result.error == EACCES || result.error == EPERM;
        return result;
    }
    Fd fd(opened);
    const int ttl = r.ttl;
    const int fragment = r.flags & kFlagDontFragment ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT;
    if (setsockopt(fd.get(), IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) != 0 ||
        setsockopt(fd.get(), IPPROTO_IP, IP_MTU_DISCOVER, &fragment, sizeof fragment) != 0) {
        result.error = errno;
        return result;
    }
    if (raw) {
        // A raw socket sees every ICMP message of the host: only echo replies are wanted.
        icmp_filter filter{~(1u << ICMP_ECHOREPLY)};
        setsockopt(fd.get(), SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    }

    // On a datagram socket the system puts in its own identifier and checksum.
    const std::vector<std::uint8_t> packet = echoPacket(ident, sequence, r.size);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(r.address);
    const auto start = SteadyClock::now();
    if (sendto(fd.get(), packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to),
               sizeof to) < 0) {
        result.error = errno;
        return result;
    }
    EchoMatch wanted{r.address, raw ? ident : std::uint16_t{0}, sequence};
    if (!raw) {
        sockaddr_in own{};
        socklen_t length = sizeof own;
        if (getsockname(fd.get(), reinterpret_cast<sockaddr*>(&own), &length) == 0)
            wanted.ident = ntohs(own.sin_port);
    }

    const auto deadline = start + std::chrono::milliseconds(r.timeoutMs);
    std::vector<std::uint8_t> buffer(kMaxEchoSize + 128);
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
        if (left <= 0) break;
        pollfd fds[2] = {{fd.get(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        const int ready = poll(fds, 2, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            result.error = errno;
            return result;
        }
        if (ready <= 0) continue;
        if (fds[1].revents != 0) {
            result.error = ECANCELED;
            return result;
        }
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = recvfrom(fd.get(), buffer.data(), buffer.size(), MSG_DONTWAIT,
                                   reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0) continue;
        const int size = matchEchoReply(buffer.data(), static_cast<std::size_t>(n), raw,
                                        ntohl(from.sin_addr.s_addr), wanted);
        if (size < 0) continue;
        result.replies = 1;
        result.from = ntohl(from.sin_addr.s_addr);
        result.dataSize = size;
        result.roundTripMs = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start)
                .count());
        return result;
    }
    result.error = kEchoTimedOut;
    return result;
}

class SystemService : public IcmpService {
  public:
    SystemService(EventLoop& loop, SocketKind kind)
        : shared_(std::make_shared<Shared>()),
          kind_(kind),
          stopFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
          ident_(static_cast<std::uint16_t>(getpid() * 31)) {
        shared_->loop = &loop;
    }

    ~SystemService() override {
        {
            std::lock_guard<std::mutex> lock(shared_->mutex);
            shared_->loop = nullptr;
        }
        shared_->lookups.clear();
        shared_->echoes.clear();
        // Lookups cannot be interrupted: their threads end on their own and post nothing.
        // Echoes stop at once.
        const std::uint64_t one = 1;
        if (stopFd_ >= 0) {
            const ssize_t written = write(stopFd_, &one, sizeof one);
            (void)written;  // an eventfd takes it; the workers see it readable
        }
        for (Worker& w : echoWorkers_)
            w.thread.join();
        if (stopFd_ >= 0) close(stopFd_);
    }

    LookupId startLookup(const std::string& host, LookupDone done, int& startError) override {
        const LookupId id = ++lastId_;
        shared_->lookups[id] = std::move(done);
        try {
            std::thread([shared = shared_, id, host] {
                addrinfo hints{};
                hints.ai_family = AF_INET;
                hints.ai_socktype = SOCK_DGRAM;
                addrinfo* answer = nullptr;
                const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &answer);
                int error = lookupErrorCode(rc);
                Ipv4 address = 0;
                if (rc == 0) {
                    error = kNoData;
                    for (const addrinfo* a = answer; a; a = a->ai_next) {
                        if (a->ai_family != AF_INET) continue;
                        address = ntohl(
                            reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr);
                        error = 0;
                        break;
                    }
                    freeaddrinfo(answer);
                }
                shared->post([shared, id, error, address] {
                    auto it = shared->lookups.find(id);
                    if (it == shared->lookups.end()) return;  // cancelled
                    LookupDone done = std::move(it->second);
                    shared->lookups.erase(it);
                    done(error, address);
                });
            }).detach();
        } catch (const std::system_error& e) {
            shared_->lookups.erase(id);
            startError = e.code().value();
            return 0;
        }
        return id;
    }

    void cancelLookup(LookupId id) override { shared_->lookups.erase(id); }

    EchoId startEcho(const EchoRequest& request, EchoDone done) override {
        reapFinishedEchoes();
        const EchoId id = ++lastId_;
        shared_->echoes[id] = std::move(done);
        const auto sequence = static_cast<std::uint16_t>(id);
        auto finished = std::make_shared<std::atomic<bool>>(false);
        auto deliver = [shared = shared_, id](const EchoResult& result) {
            shared->post([shared, id, result] {
                auto it = shared->echoes.find(id);
                if (it == shared->echoes.end()) return;
                EchoDone done = std::move(it->second);
                shared->echoes.erase(it);
                done(result);
            });
        };
        try {
            echoWorkers_.reserve(echoWorkers_.size() + 1);  // no throw once the thread runs
            echoWorkers_.push_back(
                {std::thread([=, kind = kind_, stopFd = stopFd_, ident = ident_] {
                     deliver(sendEcho(request, kind, stopFd, ident, sequence));
                     *finished = true;
                 }),
                 finished});
        } catch (const std::system_error& e) {
            EchoResult failed;
            failed.error = e.code().value();
            deliver(failed);
        }
        return id;
    }

    void waitForNews(int maxMs) override {
        std::unique_lock<std::mutex> lock(shared_->mutex);
        shared_->news.wait_for(lock, std::chrono::milliseconds(maxMs),
                               [&] { return shared_->posted != seen_; });
        seen_ = shared_->posted;
    }

  private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void reapFinishedEchoes() {
        for (auto it = echoWorkers_.begin(); it != echoWorkers_.end();) {
            if (*it->finished) {
                it->thread.join();
                it = echoWorkers_.erase(it);
            } else {
                ++it;
            }
        }
    }

    std::shared_ptr<Shared> shared_;
    SocketKind kind_;
    int stopFd_;
    std::uint16_t ident_;
    std::uint64_t lastId_ = 0;
    std::uint64_t seen_ = 0;
    std::vector<Worker> echoWorkers_;
};

}  // namespace

std::unique_ptr<IcmpService> makeSystemService(EventLoop& loop, SocketKind kind) {
    return std::make_unique<SystemService>(loop, kind);
}

int probeSocket(SocketKind kind) {
    bool raw = false;
    const int fd = openSocket(kind, raw);
    if (fd < 0) return -fd;
    close(fd);
    return 0;
}

}  // namespace velmor::icmp
