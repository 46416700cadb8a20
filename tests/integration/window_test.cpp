#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/process.h"

using velmor::test::ChildProcess;
using velmor::test::ProcessResult;
namespace fs = std::filesystem;

namespace {

bool onPath(const std::string& program) {
    return velmor::test::runProcess("/bin/sh", {"-c", "command -v " + program}).status == 0;
}

// An X server of the test's own, on a display it picks itself.
class OwnXServer {
  public:
    explicit OwnXServer(const std::string& dir) {
        const std::string file = dir + "/display";
        server_ = std::make_unique<ChildProcess>(
            "/bin/sh",
            std::vector<std::string>{"-c",
                                     "exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten "
                                     "tcp -noreset 3>" +
                                         file});
        for (int i = 0; i < 200 && display_.empty(); ++i) {
            std::ifstream in(file);
            std::getline(in, display_);
            if (display_.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        if (!display_.empty()) display_ = ":" + display_;
    }
    const std::string& display() const { return display_; }

  private:
    std::unique_ptr<ChildProcess> server_;
    std::string display_;
};

}  // namespace

TEST(Window, OpensOnTheDemoEntryUnderARealXServer) {
    for (const char* tool : {"Xvfb", "xwininfo"}) {
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed";
    }
    char tmpl[] = "/tmp/velmor-window-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    OwnXServer x(dir);
    ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
    const std::vector<std::string> env = {
        "VELMOR_HOME=" + dir,     "VELMOR_PHONEBOOK=" + dir + "/phonebook.ini",
        "XDG_RUNTIME_DIR=" + dir, "DISPLAY=" + x.display(),
        "QT_QPA_PLATFORM=xcb",    "LC_ALL=ru_RU.UTF-8"};
    // A stored program password, so that the start asks nothing.
    std::ofstream(dir + "/password") << "пароль\n";
    {
        ChildProcess first(velmor::test::binary("velmor"),
                           {"--headless", "--password-file", dir + "/password"}, env);
        ASSERT_TRUE(first.waitForOutput("Жду Ваших приказаний"));
        first.signal(SIGTERM);
        ASSERT_EQ(first.wait().status, 0);
    }

    ChildProcess window(velmor::test::binary("velmor"), {}, env);
    bool shown = false;
    for (int i = 0; i < 200 && !shown; ++i) {
        const ProcessResult r =
            velmor::test::runProcess("/usr/bin/env", {"xwininfo", "-name", "Velmor 0.97"}, env);
        shown = r.out.find("Map State: IsViewable") != std::string::npos;
        if (!shown) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_TRUE(shown) << window.err();
    // A second start while the window is up ends at once, without a window of its own.
    const ProcessResult second = velmor::test::runProcess(velmor::test::binary("velmor"), {}, env);
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out + second.err, "");
    window.signal(SIGKILL);
    window.wait();
    fs::remove_all(dir);
}
