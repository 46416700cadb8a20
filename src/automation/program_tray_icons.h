// Notification-area icons of launched programs: what the program list needs of the tray component.
#pragma once

#include <functional>
#include <string>

namespace velmor {

class ProgramTrayIcons {
  public:
    // What the user does with one icon.
    struct Handlers {
        std::function<void()> click;  // a single left click: show or hide the program's window
        // The icon's menu (PopupMenu2) is opening: returns the caption of its first item,
        // "Показать" or "Спрятать".
        std::function<std::string()> menuPopup;
        std::function<void()> showHide;  // the first item (N6)
        std::function<void()> exit;      // "Выйти" (N5)
    };

    virtual ~ProgramTrayIcons() = default;
    // The desktop has a notification area now (without one, icons wait for one to appear).
    virtual bool available() const = 0;
    // Adds a visible icon showing the icon of the program file (its own, or that of its file
    // type), with the tip and the menu of "Показать"/"Спрятать" and "Выйти". Returns an id > 0,
    // or 0 when no icon could be added.
    virtual int add(const std::string& programFile, const std::string& tip, Handlers handlers) = 0;
    // Takes the icon out of the notification area and forgets it.
    virtual void remove(int id) = 0;
    virtual bool visible(int id) const = 0;
};

}  // namespace velmor
