// The notification area with Qt: QSystemTrayIcon icons, the main window's menu for the program's
// own icon, and a watch for a notification area that appears or goes away.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <set>

#include "platform/tray.h"

namespace velmor {

class QtTrayIcon;

class QtTrayService : public QObject, public TrayService {
    Q_OBJECT
  public:
    // pollMs: how often the presence of a notification area is checked.
    explicit QtTrayService(int pollMs = 2000);
    ~QtTrayService() override;

    // The menu the program's own icon opens (the main window's pop-up menu).
    void setWindowMenu(QMenu* menu);
    QMenu* windowMenu() const { return windowMenu_; }

    bool available() const override;
    int doubleClickTime() const override;
    std::unique_ptr<TrayIconBackend> createIcon() override;

    // Checks the notification area now (the timer does it every pollMs).
    void checkAvailability();

  private:
    friend class QtTrayIcon;
    QPointer<QMenu> windowMenu_;
    std::set<QtTrayIcon*> icons_;
    QTimer poll_;
    bool available_ = false;
};

}  // namespace velmor
