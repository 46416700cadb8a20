// HOOK for the tray component: the notification-area icons of the programs launched on connect.
#pragma once

#include <QObject>
#include <memory>

#include "automation/program_tray_icons.h"

namespace velmor {

// The window program's icons for launched programs (run methods 1 and 2). To be built on the
// tray component (one icon per call of add, showing the program file's icon, with the menu
// "Показать"/"Спрятать" and "Выйти" whose first caption menuPopup gives). Until then it returns
// nothing, and such programs start shown without an icon.
std::unique_ptr<ProgramTrayIcons> makeProgramTrayIcons(QObject* owner);

}  // namespace velmor
