// Processes on Linux: posix_spawn to start, /proc to list, signals to terminate.
#pragma once

#include <chrono>

#include "platform/processes.h"

namespace velmor {

class LinuxProcessService : public ProcessService {
  public:
    // grace: how long a process may take to end after the polite request before it is killed.
    explicit LinuxProcessService(std::chrono::milliseconds grace = std::chrono::milliseconds(2000))
        : grace_(grace) {}

    int start(const std::string& path, const std::vector<std::string>& args,
              const std::string& workDir) override;
    std::vector<ProcessInfo> processes() override;
    bool terminate(int pid) override;

  private:
    std::chrono::milliseconds grace_;
};

}  // namespace velmor
