// One program of the list started when a connection is made, as the form's program list holds it.
#pragma once

#include <string>

namespace velmor {

struct AppEntry {
    int runMethod = 0;  // 0 shown, 1 hidden with a tray icon, 2 shown with a tray icon
    bool checked = true;
    std::string description;
    std::string path;
    bool restart = true;
    bool mustKill = true;
    std::string params;
    std::string titlePart;
    int trayIcon =
        0;  // the program's own icon in the notification area while it has one (not stored)
    friend bool operator==(const AppEntry&, const AppEntry&) = default;
};

}  // namespace velmor
