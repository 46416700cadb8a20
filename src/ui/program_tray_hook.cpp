#include "ui/program_tray_hook.h"

#include "desktop/program_icons.h"

namespace velmor {

std::unique_ptr<ProgramTrayIcons> makeProgramTrayIcons(EventLoop& loop, TrayService* tray) {
    return std::make_unique<TrayProgramIcons>(loop, tray);
}

}  // namespace velmor
