// The taskbar button of a window: hidden on X11 with the window manager's skip-taskbar state.
#pragma once

class QWidget;

namespace velmor {

// Asks that the window have a taskbar button or not. Does nothing where the windows are not X11
// windows (Wayland, offscreen): there the button cannot be taken away.
void setTaskbarButton(QWidget* window, bool shown);
// Whether the window asks to be left out of the taskbar (read back from the X server).
bool skipsTaskbar(QWidget* window);

}  // namespace velmor
