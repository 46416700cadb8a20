// The update check of the about box while the name lookup of its host hangs: a name server on
// loopback that takes every question and never answers, in a network and mount namespace of a
// child process of its own.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "desktop/about_box.h"
#include "platform/virtual_loop.h"
#include "unit/scripted_ui.h"
#include "unit/temp_dir.h"

using namespace velmor;

namespace {

constexpr int kNoNamespace = 77;
constexpr const char* kFailure = "Ошибка. Проверьте подключение к Интернету и повторите попытку.";

// Loopback up, and a name server on 127.0.0.1:53 that takes every question and never answers,
// the only one the resolver's files name; false when the namespace cannot be set up.
bool silentNameServer(const std::string& dir) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq ifr{};
    std::strcpy(ifr.ifr_name, "lo");
    ::ioctl(s, SIOCGIFFLAGS, &ifr);
    ifr.ifr_flags = static_cast<short>(ifr.ifr_flags | IFF_UP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(53);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::ioctl(s, SIOCSIFFLAGS, &ifr) != 0 ||
        ::bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        return false;
    }
    std::ofstream(dir + "/resolv.conf") << "nameserver 127.0.0.1\noptions timeout:30 attempts:3\n";
    std::ofstream(dir + "/nsswitch.conf") << "hosts: files dns\n";
    for (const char* file : {"resolv.conf", "nsswitch.conf"}) {
        const std::string over = std::string("/etc/") + file;
        if (::mount((dir + "/" + file).c_str(), over.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return false;
    }
    return true;
}

}  // namespace

TEST(UpdateCheck, AHangingNameLookupEndsWithinTheTimeLimitWithTheFailureText) {
    velmor::test::TempDir dir;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            !silentNameServer(dir.path.string())) {
            ::_exit(kNoNamespace);
        }
        VirtualLoop loop;
        velmor::test::ScriptedUI ui;
        TAboutBox box(loop, ui, "http://update.velmor.test", dir.path.string() + "/");
        box.Download.TimeLimitMs = 1500;
        auto runFor = [&](int ms, auto done) {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
            while (!done() && std::chrono::steady_clock::now() < until) {
                loop.processMessages();
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        };
        // Left alone, the check ends at its limit in the failure text.
        const auto start = std::chrono::steady_clock::now();
        box.Button2Click();
        runFor(20000, [&] { return box.Button2Caption == "Обновить"; });
        EXPECT_EQ(box.Button2Caption, "Обновить");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
        EXPECT_EQ(ui.texts(), std::vector<std::string>{kFailure});

        // Stopped by the user, it ends at once, says only that, and can be started again.
        ui.messages.clear();
        box.Button2Click();
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto stopped = std::chrono::steady_clock::now();
        box.Button2Click();
        runFor(20000, [&] { return !box.Download.running(); });
        EXPECT_LT(std::chrono::steady_clock::now() - stopped, std::chrono::milliseconds(1000));
        EXPECT_EQ(ui.texts(), std::vector<std::string>{"Ошибка. Прервано пользователем."});
        box.Button2Click();
        EXPECT_TRUE(box.Download.running());
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the child died of signal " << WTERMSIG(status);
    if (WEXITSTATUS(status) == kNoNamespace) {
        GTEST_SKIP() << "no network and mount namespace can be made here (needs root or user "
                        "namespaces)";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failures in the child, above";
}
