// The notification area with Qt: QSystemTrayIcon icons, the main window's menu for the program's
// own icon, and a watch for a notification area that appears or goes away.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <set>

#include "platform/tray.h"

namespace velmor {

class QtTrayIcon;

class QtTrayService : public QObject, public TrayService, public QAbstractNativeEventFilter {
    Q_OBJECT
  public:
    // On X11 the notification area is told by the X server when the owner of the screen's tray
    // selection changes (without the XFixes extension its presence is checked every pollMs).
    // Elsewhere (Wayland) it is a StatusNotifier host, told by the bus when its watcher comes or
    // goes and by the watcher when a host does; the icons are made once there is one.
    explicit QtTrayService(int pollMs = 2000, QDBusConnection bus = QDBusConnection::sessionBus());
    ~QtTrayService() override;

    // The menu the program's own icon opens (the main window's pop-up menu).
    void setWindowMenu(QMenu* menu);
    QMenu* windowMenu() const { return windowMenu_; }

    bool available() const override;
    int doubleClickTime() const override;
    std::unique_ptr<TrayIconBackend> createIcon() override;

    // Checks the notification area now.
    void checkAvailability();
    // True when the X server tells of a change of owner (no timer runs).
    bool watchingSelection() const { return selectionEvent_ != 0; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private slots:
    // The StatusNotifier watcher told of a host that came or went.
    void checkHost();

  private:
    friend class QtTrayIcon;
    bool watchSelection();
    void watchHosts();
    bool hostNow();
    void setAvailable(bool now);
    // Qt's icons can be made now (Qt looks for a StatusNotifier host once, when it makes its
    // first icon, and keeps the answer: made before there is a host, no icon would ever show).
    bool iconsNow() const { return !watchingHosts_ || available_; }
    QDBusConnection bus_;
    bool watchingHosts_ = false;
    QPointer<QMenu> windowMenu_;
    std::set<QtTrayIcon*> icons_;
    QTimer poll_;
    bool available_ = false;
    std::uint8_t selectionEvent_ = 0;  // the XFixes selection event's code; 0: no watch
    std::uint32_t selectionAtom_ = 0;
};

}  // namespace velmor
