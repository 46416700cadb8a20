// The system services of the automation components, handed to the main window by a front end.
#pragma once

#include "platform/processes.h"
#include "platform/shutdown.h"
#include "platform/sound.h"

namespace velmor {

struct AutomationServices {
    SoundPlayer* sound = nullptr;
    ProcessService* processes = nullptr;
    WindowService* windows = nullptr;
    ShutdownService* shutdown = nullptr;
};

}  // namespace velmor
