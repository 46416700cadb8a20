// The running program on the session bus: under the application id, one object with the program's
// own interface (state, counters, commands) and the desktop's application interface (Activate,
// ActivateAction for the desktop entry's actions).
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <string>

#include "platform/control.h"

namespace velmor {

class DBusControl : public QDBusVirtualObject, public control::ControlService {
    Q_OBJECT
  public:
    explicit DBusControl(control::ControlHandler& handler,
                         QDBusConnection bus = QDBusConnection::sessionBus());
    ~DBusControl() override;

    // Puts the object on the bus and takes the name. False, with the reason in why, when there
    // is no session bus or another program holds the name; the program then runs without.
    bool start(std::string& why);

    void propertiesChanged(const control::Snapshot& now,
                           const std::vector<control::Property>& changed) override;

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    QString introspect(const QString& path) const override;

  private:
    QDBusConnection bus_;
    control::ControlHandler& handler_;
    bool registered_ = false;
    bool named_ = false;
};

// A second start: asks the program that runs already to show its window (Activate), or with dial
// to dial (the desktop entry's action "connect"), without ever having the bus start a program for
// it. Waits a few seconds at most for the answer.
void activateRunningInstance(bool dial);

}  // namespace velmor
