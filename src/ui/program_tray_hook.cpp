#include "ui/program_tray_hook.h"

namespace velmor {

std::unique_ptr<ProgramTrayIcons> makeProgramTrayIcons(QObject* /*owner*/) {
    return nullptr;  // connected by the tray component
}

}  // namespace velmor
