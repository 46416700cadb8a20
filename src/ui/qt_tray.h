// The notification area with Qt: QSystemTrayIcon icons, the main window's menu for the program's
// own icon, and a watch for a notification area that appears or goes away.
#pragma once

#include <QAbstractNativeEventFilter>
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
    // selection changes; elsewhere its presence is checked every pollMs.
    explicit QtTrayService(int pollMs = 2000);
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

  private:
    friend class QtTrayIcon;
    bool watchSelection();
    void setAvailable(bool now);
    QPointer<QMenu> windowMenu_;
    std::set<QtTrayIcon*> icons_;
    QTimer poll_;
    bool available_ = false;
    std::uint8_t selectionEvent_ = 0;  // the XFixes selection event's code; 0: no watch
    std::uint32_t selectionAtom_ = 0;
};

}  // namespace velmor
