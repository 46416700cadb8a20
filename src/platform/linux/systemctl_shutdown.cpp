#include "platform/linux/systemctl_shutdown.h"

#include "platform/linux/spawn.h"

namespace velmor {

SystemctlShutdown::SystemctlShutdown(Runner run) : run_(std::move(run)) {
    if (!run_) run_ = [](const std::vector<std::string>& argv) { return spawnDetached(argv) > 0; };
}

std::optional<std::vector<std::string>> SystemctlShutdown::commandLine(unsigned flags) {
    if ((flags & EWX_SHUTDOWN) == 0) return std::nullopt;
    std::vector<std::string> argv = {"systemctl", "poweroff"};
    // Forced: running programs that hold a shutdown inhibitor cannot delay it; the services
    // still stop in order ("--force" would skip that and could lose their data).
    if ((flags & EWX_FORCE) != 0) argv.push_back("--ignore-inhibitors");
    return argv;
}

bool SystemctlShutdown::ExitWindowsWithPrivilege(unsigned flags) {
    // Whether the user may power off is decided by systemd (logind and its policy), not by a
    // privilege of this process.
    const auto argv = commandLine(flags);
    return argv && run_(*argv);
}

}  // namespace velmor
