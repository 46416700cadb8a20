#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "platform/codepage.h"
#include "platform/profile.h"
#include "support/files.h"
#include "support/process.h"
#include "support/x_server.h"
#include "unit/temp_dir.h"

using velmor::test::ChildProcess;
using velmor::test::ProcessResult;

using velmor::test::onPath;
using velmor::test::OwnXServer;

// A folder and an X server of the test's own, and the program's environment for them.
class Window : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!onPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
        x_ = std::make_unique<OwnXServer>(dir);
        ASSERT_FALSE(x_->display().empty()) << "Xvfb did not start";
        env = velmor::test::programEnvironment(dir, x_->display());
    }

    velmor::test::TempDir folder_;
    const std::string dir = folder_.path.string();
    std::unique_ptr<OwnXServer> x_;  // ends before its folder goes
    std::vector<std::string> env;
};

TEST_F(Window, OpensOnTheDemoEntryUnderARealXServer) {
    if (!onPath("xwininfo")) GTEST_SKIP() << "xwininfo is not installed";
    ASSERT_TRUE(velmor::test::storeProgramPassword(dir, env));

    ChildProcess window(velmor::test::binary("velmor"), {}, env);
    bool shown = false;
    for (int i = 0; i < 200 && !shown; ++i) {
        const ProcessResult r =
            velmor::test::runProcess("/usr/bin/env", {"xwininfo", "-name", "Velmor 0.97"}, env);
        shown = r.out.find("Map State: IsViewable") != std::string::npos;
        if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(shown) << window.err();
    // The HTTP library comes with the first download, not with the window.
    EXPECT_EQ(
        velmor::test::readFile("/proc/" + std::to_string(window.pid()) + "/maps").find("libcurl"),
        std::string::npos);
    // Idle and not connected, no thread of the program wakes: nothing polls.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(velmor::test::wakeUpsOver(window.pid(), 3000), 0) << "wake-ups in 3 s of idling";
    // A second start while the window is up ends at once, without a window of its own.
    const ProcessResult second = velmor::test::runProcess(velmor::test::binary("velmor"), {}, env);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out + second.err, "");
    window.signal(SIGKILL);
    window.wait();
}

TEST_F(Window, ASignalEndsItAsExitDoesWithTheLineDroppedAndTheTimeSaved) {
    std::ofstream(dir + "/phonebook.ini")
        << "[Тест]\nDevice=sim\nSimStepMs=20\nPhoneNumber=1\nUserName=u\nPassword=p\n";
    ASSERT_TRUE(velmor::test::storeProgramPassword(dir, env));
    const auto log = [&] {
        return velmor::cp1251ToUtf8(velmor::test::readFile(dir + "/Velmor.log"));
    };
    const std::string accepted = " --- Соединение установлено.";
    long long online = 0;
    for (const int sig : {SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        const std::size_t before = log().size();
        ChildProcess window(velmor::test::binary("velmor"), {"--dial"}, env);
        for (int i = 0; i < 400 && log().find(accepted, before) == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_NE(log().find(accepted, before), std::string::npos) << window.err();
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        window.signal(sig);
        const ProcessResult r = window.wait(15000);
        EXPECT_EQ(r.status, 0) << r.err;
        // The end is logged after the connection, and the seconds on line are saved.
        const std::string now = log();
        EXPECT_NE(now.find(" --- Завершение работы программы\r\n", now.find(accepted, before)),
                  std::string::npos)
            << now.substr(before);
        const long long saved = std::stoll(
            velmor::Profile(dir + "/Velmor.ini").readString("Brontavel", "InInternetAll", "0"));
        EXPECT_GE(saved - online, 2);
        online = saved;
    }
}
