// Power-off through systemd: "systemctl poweroff", with "--ignore-inhibitors" for the forced
// variant.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/shutdown.h"

namespace velmor {

class SystemctlShutdown : public ShutdownService {
  public:
    // Runs a command line; true when it was started.
    using Runner = std::function<bool(const std::vector<std::string>& argv)>;

    // Without a runner the command is started in the background (systemd and its agents may
    // ask for a password; the window does not wait for that).
    explicit SystemctlShutdown(Runner run = {});

    // The command line for the flags; nothing when they ask for no power-off.
    static std::optional<std::vector<std::string>> commandLine(unsigned flags);

    bool ExitWindowsWithPrivilege(unsigned flags) override;

  private:
    Runner run_;
};

}  // namespace velmor
