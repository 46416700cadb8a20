// The Linux backends of the automation services, as one set for a front end.
#pragma once

#include <memory>

#include "platform/automation_services.h"
#include "platform/linux/alsa_sound.h"
#include "platform/linux/linux_processes.h"
#include "platform/linux/systemctl_shutdown.h"
#include "platform/linux/x11_windows.h"

namespace velmor {

struct LinuxAutomation {
    AlsaSoundPlayer sound;
    LinuxProcessService processes;
    X11WindowService windows;
    SystemctlShutdown shutdown;

    AutomationServices services() { return {&sound, &processes, &windows, &shutdown}; }
};

inline std::unique_ptr<LinuxAutomation> makeLinuxAutomation() {
    return std::make_unique<LinuxAutomation>();
}

}  // namespace velmor
