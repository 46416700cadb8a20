// Icons in the desktop's notification area (the tray): picture, tip, balloon, menu and clicks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmor {

// The picture beside a balloon's title.
enum class BalloonKind { None = 0, Information = 1, Warning = 2, Error = 3 };

// What the mouse did on an icon, as the desktop reports it.
enum class TrayMouse {
    LeftDown,     // the left button went down (a click, or the first half of a double click)
    DoubleClick,  // the second press of a double click
};

// One item of an icon's own menu; an empty caption is a separator.
struct TrayMenuItem {
    std::string caption;
    bool enabled = true;
    std::function<void()> onClick;
};

// One icon in the notification area. It is shown only while visible and while the desktop has a
// notification area; destroying it removes it.
class TrayIconBackend {
  public:
    virtual ~TrayIconBackend() = default;

    virtual void setVisible(bool on) = 0;
    // One picture of the program's icon store (0 to 9).
    virtual void setStoreIcon(int index) = 0;
    // The icon of a file: a picture file, or a program whose desktop icon can be found; a
    // generic program icon when there is none.
    virtual void setFileIcon(const std::string& path) = 0;
    virtual void setTip(const std::string& tip) = 0;
    virtual void showBalloon(const std::string& title, const std::string& text, BalloonKind kind,
                             int timeoutMs) = 0;
    virtual void hideBalloon() = 0;
    // The menu of the right button: the main window's pop-up menu, or items of the icon's own.
    virtual void useWindowMenu() = 0;
    virtual void setMenu(std::vector<TrayMenuItem> items) = 0;
    // Changes the caption of an item of the icon's own menu (while it opens, too).
    virtual void setMenuCaption(std::size_t index, const std::string& caption) = 0;

    // Reported on the user-interface thread.
    std::function<void(TrayMouse)> onMouse;
    // The icon's own menu is about to open.
    std::function<void()> onMenuOpening;
};

class TrayService {
  public:
    virtual ~TrayService() = default;

    // A notification area exists on this desktop now.
    virtual bool available() const = 0;
    // The longest pause between the two clicks of a double click, in milliseconds.
    virtual int doubleClickTime() const = 0;
    virtual std::unique_ptr<TrayIconBackend> createIcon() = 0;

    // A notification area appeared (a panel started after the program) or went away; visible
    // icons are put into a new one by the service itself.
    std::function<void(bool available)> onAvailabilityChanged;
};

}  // namespace velmor
