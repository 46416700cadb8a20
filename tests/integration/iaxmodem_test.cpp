// Velmor against a modem interpreter nobody here wrote: two iaxmodem soft modems calling each other
// over IAX on loopback. The callee answers in fax class 1, which gives both sides a real CONNECT;
// a stand-in pppd then takes the line. iaxmodem has no DTR (a pseudo-terminal), so only the
// carriage return and ATH put it on-hook, and a modem left off-hook answers the next dial ERROR.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/profile.h"
#include "support/first_start.h"
#include "support/process.h"
#include "support/stand_in_pppd.h"

using velmor::test::ChildProcess;
using velmor::test::StandInPppd;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr const char* kIaxmodem = "/usr/bin/iaxmodem";
constexpr const char* kConfigDir = "/etc/iaxmodem";  // iaxmodem reads its config from here

// A UDP port nobody uses just now.
int freeUdpPort() {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// One soft modem: its config in the test's folder (named through /etc/iaxmodem, where iaxmodem
// looks), its pseudo-terminal linked at <dir>/tty<name>.
struct IaxModem {
    IaxModem(const std::string& dir, const std::string& name, int port, int peerPort)
        : tty(dir + "/tty" + name) {
        const std::string config = dir + "/" + name;
        std::ofstream(config) << "device " << tty << "\nowner root:root\nmode 660\nport " << port
                              << "\nrefresh 0\nserver 127.0.0.1:" << peerPort
                              << "\npeername velmor\nsecret test\ncidname Velmor\ncidnumber 1\n"
                                 "codec slinear\n";
        process = std::make_unique<ChildProcess>(
            kIaxmodem, std::vector<std::string>{fs::relative(config, kConfigDir).string()});
        for (int i = 0; i < 100 && !fs::exists(tty); ++i)
            std::this_thread::sleep_for(50ms);
    }
    std::string tty;
    std::unique_ptr<ChildProcess> process;
};

// The callee's terminal, driven by the test: what the modem says is kept.
class Callee {
  public:
    explicit Callee(const std::string& tty) {
        fd_ = ::open(tty.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        termios t{};
        ::tcgetattr(fd_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd_, TCSANOW, &t);
        reader_ = std::thread([this] {
            char buf[256];
            while (!stop_) {
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 50) <= 0) continue;
                const ssize_t n = ::read(fd_, buf, sizeof buf);
                if (n <= 0) continue;
                std::lock_guard<std::mutex> lock(mutex_);
                said_.append(buf, static_cast<std::size_t>(n));
            }
        });
    }
    ~Callee() {
        stop_ = true;
        reader_.join();
        ::close(fd_);
    }
    bool ready() const { return fd_ >= 0; }
    // Sends a command and waits for its OK.
    bool command(const std::string& c) {
        const std::size_t before = said().size();
        if (::write(fd_, (c + "\r").data(), c.size() + 1) < 0) return false;
        return saysSince(before, "OK", 3s);
    }
    bool saysSince(std::size_t from, const std::string& text, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (said().find(text, from) == std::string::npos) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }
    std::string said() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return said_;
    }

  private:
    int fd_ = -1;
    std::thread reader_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string said_;
};

}  // namespace

TEST(Iaxmodem, ReasonsOfFailedCallsAndTheModemOnHookAfterEveryHangUp) {
    if (::access(kIaxmodem, X_OK) != 0 || !fs::is_directory(kConfigDir)) {
        GTEST_SKIP() << "no iaxmodem (Debian package iaxmodem) to dial with";
    }
    char tmpl[] = "/tmp/velmor-iax-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    const int callerPort = freeUdpPort(), calleePort = freeUdpPort();
    IaxModem caller(dir, "a", callerPort, calleePort), callee(dir, "b", calleePort, callerPort);
    ASSERT_TRUE(fs::exists(caller.tty) && fs::exists(callee.tty)) << caller.process->out();
    Callee b(callee.tty);
    ASSERT_TRUE(b.ready());
    ASSERT_TRUE(b.command("ATE0") && b.command("AT+FCLASS=1") && b.command("ATS0=0"));

    StandInPppd pppd(dir + "/pppd");
    pppd.scenario(StandInPppd::connected());
    std::vector<std::string> env = pppd.environment();
    for (const std::string& e : {"VELMOR_HOME=" + dir, "VELMOR_PHONEBOOK=" + dir + "/phonebook.ini",
                                 "XDG_RUNTIME_DIR=" + dir, std::string("LC_ALL=ru_RU.UTF-8")})
        env.push_back(e);
    const auto phonebook = [&](int dialTimeout) {
        std::ofstream(dir + "/phonebook.ini", std::ios::binary)
            << "[Звонок]\r\nDevice=" << caller.tty
            << "\r\nPhoneNumber=1\r\nUserName=u\r\nPassword=p\r\nInit3=AT+FCLASS=1\r\nDialTimeout="
            << dialTimeout << "\r\n";
    };
    phonebook(3);
    ASSERT_NO_FATAL_FAILURE(velmor::test::firstHeadlessStart(env, dir, {{"RedialPause", "1"}}));
    // Reads the program's output until its standard output holds text n times.
    const auto dialled = [](ChildProcess& v, int n) {
        for (int i = 0; i < 200; ++i) {
            std::size_t found = 0;
            for (auto at = v.out().find("Звоним по номеру 1"); at != std::string::npos;
                 at = v.out().find("Звоним по номеру 1", at + 1))
                ++found;
            if (found >= static_cast<std::size_t>(n)) return true;
            v.waitForOutput("\x01", 100);  // reads on for 100 ms
        }
        return false;
    };
    const auto velmor = [&] {
        return std::make_unique<ChildProcess>(
            velmor::test::binary("velmor"), std::vector<std::string>{"--headless", "--dial"}, env);
    };

    // Nobody answers: the reason on the state lines; the second call is aborted while it rings.
    {
        auto v = velmor();
        ASSERT_TRUE(dialled(*v, 2)) << v->out() << v->err();
        EXPECT_NE(v->err().find("Прошлая попытка: Удаленный компьютер не отвечает. На «ATDp1» "
                                "модем ничего не ответил за 3 с"),
                  std::string::npos)
            << v->err();
        const std::size_t rings = b.said().size();
        ASSERT_TRUE(b.saysSince(rings, "RING", 10s));
        v->signal(SIGTERM);
        const auto r = v->wait(15000);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find("модем положил трубку по команде ATH"), std::string::npos) << r.err;
    }

    // The callee answers: a real CONNECT, so the caller was on-hook (off-hook it says ERROR).
    // The hang-up ends the call for the callee too.
    ASSERT_TRUE(b.command("ATS0=1"));
    phonebook(30);
    {
        auto v = velmor();
        ASSERT_TRUE(v->waitForOutput("Соединение установлено", 30000)) << v->err();
        const std::size_t before = b.said().size();
        v->signal(SIGTERM);
        EXPECT_EQ(v->wait(15000).status, 0);
        EXPECT_TRUE(b.saysSince(before, "NO CARRIER", 10s)) << b.said();
    }

    // The callee's line is busy: the modem's own answer (not ERROR: the caller is on-hook).
    ASSERT_TRUE(b.command("ATH1"));
    {
        auto v = velmor();
        ASSERT_TRUE(dialled(*v, 2)) << v->out() << v->err();
        EXPECT_NE(v->err().find("Прошлая попытка: Нет сигнала готовности линии (гудка). Модем "
                                "ответил NO DIALTONE на «ATDp1»."),
                  std::string::npos)
            << v->err();
        v->signal(SIGTERM);
        EXPECT_EQ(v->wait(15000).status, 0);
    }
    fs::remove_all(dir);
}
