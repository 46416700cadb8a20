// An X server of a test's own (Xvfb on a display it picks itself) and helpers around it.
#pragma once

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/process.h"

namespace velmor::test {

inline bool onPath(const std::string& program) {
    return runProcess("/bin/sh", {"-c", "command -v " + program}).status == 0;
}

class OwnXServer {
  public:
    // dir: a folder of the test's own, where the display number is handed over.
    explicit OwnXServer(const std::string& dir) {
        const std::string file = dir + "/display";
        server_ = std::make_unique<ChildProcess>(
            "/bin/sh", std::vector<std::string>{"-c",
                                                "exec Xvfb -displayfd 3 -screen 0 800x600x24 "
                                                "-nolisten tcp -noreset 3>" +
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

}  // namespace velmor::test
