// The tray icon component: one icon in the notification area with its tip, balloon, menu and the
// click that is told apart from a double click.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/tray.h"

namespace velmor {

// The longest tip the icon keeps, in characters.
inline constexpr std::size_t kTipCharacters = 127;

class TTrayIcon {
  public:
    // Without a service the icon keeps its state and shows nothing.
    TTrayIcon(EventLoop& loop, TrayService* service);
    ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    // Puts the icon into the notification area of a service (null: out of any).
    void attach(TrayService* service);

    void setIconVisible(bool on);
    bool IconVisible() const { return visible_; }
    // A picture of the icon store; or the icon of a file (a launched program's).
    void setIcon(int storeIndex);
    void setIconFile(const std::string& path);
    int icon() const { return icon_; }
    const std::string& iconFile() const { return iconFile_; }
    // The tip: at most kTipCharacters characters are kept.
    void setHint(const std::string& hint);
    const std::string& hint() const { return hint_; }

    // Hides the balloon up, then shows the new one: title at most 63 characters, text at most
    // 255, the timeout in seconds.
    void ShowBalloon(const std::string& title, const std::string& text, BalloonKind kind,
                     int timeoutSeconds);
    void HideBalloon();

    // The right button's menu: the main window's pop-up menu, or items of the icon's own.
    void useWindowMenu();
    void setMenu(std::vector<TrayMenuItem> items);
    void setMenuCaption(std::size_t index, const std::string& caption);

    // A single click, reported once the double-click time has passed without a second click;
    // a double click is reported alone.
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    // The icon's own menu is about to open.
    std::function<void()> OnMenuPopup;

    // What the desktop reports (the backend calls it; tests may too).
    void mouse(TrayMouse what);

  private:
    void push();

    TrayService* service_ = nullptr;
    std::unique_ptr<TrayIconBackend> backend_;
    Timer clickTimer_;
    bool visible_ = false;
    int icon_ = 0;
    std::string iconFile_;
    std::string hint_;
    bool windowMenu_ = false;
    std::vector<TrayMenuItem> menu_;
};

// The first count characters of a UTF-8 text.
std::string firstCharacters(const std::string& text, std::size_t count);

}  // namespace velmor
