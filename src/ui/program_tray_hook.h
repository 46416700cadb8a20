// The notification-area icons of the programs launched on connect, on the tray component.
#pragma once

#include <memory>

#include "automation/program_tray_icons.h"
#include "platform/event_loop.h"
#include "platform/tray.h"

namespace velmor {

// One icon per call of add over the tray service (none without a notification-area service).
std::unique_ptr<ProgramTrayIcons> makeProgramTrayIcons(EventLoop& loop, TrayService* tray);

}  // namespace velmor
