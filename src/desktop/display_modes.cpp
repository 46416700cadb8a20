#include "desktop/display_modes.h"

#include "form/number_text.h"

namespace velmor {

DisplayStep displayStep(DisplayMode mode, DisplayEvent event) {
    switch (mode) {
        case DisplayMode::Task:
            switch (event) {
                case DisplayEvent::Select:
                case DisplayEvent::Restore:
                    return {true, false};
                case DisplayEvent::FirstShow:
                    return {};
                case DisplayEvent::Minimize:
                    return {std::nullopt, false};
            }
            break;
        case DisplayMode::Tray:
            return {false, true};
        case DisplayMode::Both:
            switch (event) {
                case DisplayEvent::Select:
                    return {true, true};
                case DisplayEvent::Minimize:
                    return {false, true};
                case DisplayEvent::FirstShow:
                case DisplayEvent::Restore:
                    // Restoring shows the taskbar button by itself.
                    return {};
            }
            break;
        case DisplayMode::None:
            return {false, false};
    }
    return {};
}

DisplayModes::DisplayModes(WindowState& window) : w_(window) {
    wantButton_ = w_.taskbarButtonVisible;
    wantTray_ = w_.trayIconVisible;
}

void DisplayModes::apply(DisplayMode mode, DisplayEvent event) {
    const DisplayStep step = displayStep(mode, event);
    if (step.taskbarButton) wantButton_ = *step.taskbarButton;
    if (step.trayIcon) wantTray_ = *step.trayIcon;
    // Restoring the window brings its taskbar button back, whatever was asked before.
    if (event == DisplayEvent::Restore && !step.taskbarButton) wantButton_ = true;
    update();
}

void DisplayModes::setTrayAvailable(bool available) {
    trayAvailable_ = available;
    update();
}

void DisplayModes::setRestoreKey(bool registered) {
    restoreKey_ = registered;
    update();
}

void DisplayModes::update() {
    w_.trayIconVisible = wantTray_;
    w_.taskbarButtonVisible = wantButton_ || fallingBack() || keptForNoRestoreKey();
}

int iconIndexFor(int iconSet, bool connected) {
    return 2 * iconSet + (connected ? 1 : 0);
}

StatusBalloon statusBalloon(const std::string& dialCaption, const std::string& status,
                            const std::string& entry, std::uint32_t speed, const std::string& ip,
                            char decimalSeparator) {
    if (dialCaption == kHangUpCaption) {
        return {entry + " сейчас подключен", lineSpeedText(speed, decimalSeparator) + ", IP " + ip};
    }
    if (dialCaption == kAbortCaption)
        return {entry + " попытка подключения", "Состояние: " + status};
    return {"Нет активных подключений", "Состояние: " + status};
}

}  // namespace velmor
