// The kind of graphical session the program runs in, as the session tells its programs.
#pragma once

#include <cstdlib>
#include <string_view>

namespace velmor {

// A Wayland session: the compositor's socket is named in the environment, or the session says it
// is one. Its programs reach the desktop through the compositor and the desktop portals; an X11
// display there (XWayland) shows only the windows of X11 programs.
inline bool waylandSession() {
    const char* socket = std::getenv("WAYLAND_DISPLAY");
    const char* type = std::getenv("XDG_SESSION_TYPE");
    return (socket && *socket) || (type && std::string_view(type) == "wayland");
}

}  // namespace velmor
