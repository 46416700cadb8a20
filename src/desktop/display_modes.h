// The four display modes: where the window can be reached (taskbar button, tray icon) after each
// event, the icon of the chosen set and state, and the tray icon's status balloon.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "form/form_model.h"

namespace velmor {

// The moments at which the display mode is applied.
enum class DisplayEvent { Select, FirstShow, Minimize, Restore };
// Select: a mode radio button is clicked, or the settings are loaded.

// What one event does: show or hide the taskbar button and the tray icon; empty: left as is.
struct DisplayStep {
    std::optional<bool> taskbarButton;
    std::optional<bool> trayIcon;
};
DisplayStep displayStep(DisplayMode mode, DisplayEvent event);

// Applies the steps to the window state. Where the desktop has no notification area, a window
// that would be reachable through the tray icon alone keeps its taskbar button; so does a window
// with neither button nor icon while no hot key can restore it.
class DisplayModes {
  public:
    explicit DisplayModes(WindowState& window);

    void apply(DisplayMode mode, DisplayEvent event);
    void setTrayAvailable(bool available);
    bool trayAvailable() const { return trayAvailable_; }
    // Whether the minimize/restore hot key is registered.
    void setRestoreKey(bool registered);
    // True while the taskbar button is kept only because there is no notification area.
    bool fallingBack() const { return wantTray_ && !wantButton_ && !trayAvailable_; }
    // True while the taskbar button is kept only because no hot key restores the window.
    bool keptForNoRestoreKey() const { return !wantTray_ && !wantButton_ && !restoreKey_; }

  private:
    void update();

    WindowState& w_;
    bool wantButton_ = true;
    bool wantTray_ = false;
    bool trayAvailable_ = true;
    bool restoreKey_ = true;
};

// The icon of the store for a set (0 to 4) and the connection state.
int iconIndexFor(int iconSet, bool connected);

// The balloon of a click on the tray icon.
struct StatusBalloon {
    std::string title;
    std::string text;
};
// dialCaption: what the dial button shows; status: the state line; entry: the selected entry;
// speed (bits per second) and ip: those of the current connection, the speed shown in kilobits
// with the locale's decimal separator.
StatusBalloon statusBalloon(const std::string& dialCaption, const std::string& status,
                            const std::string& entry, std::uint32_t speed, const std::string& ip,
                            char decimalSeparator);

}  // namespace velmor
