// Global hot keys through the desktop's GlobalShortcuts portal (a Wayland session): the program's
// combinations are bound in a session of the portal, the desktop confirms them or gives them
// other keys, and tells of every press.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <map>
#include <string>

#include "platform/hotkeys.h"

class QDBusMessage;

namespace velmor {

// A combination in the form of the desktop's shortcuts ("F10", "CTRL+F11", "CTRL+SHIFT+a"); empty
// for a key without a name there.
std::string portalTrigger(unsigned modifiers, std::uint8_t virtualKey);

class PortalHotKeys : public QObject, public HotKeyService {
    Q_OBJECT
  public:
    // Starts at once and without waiting: the program registers with the portal under its
    // application id, then looks for the interface; until it is found missing, registrations are
    // taken and bound once it answers.
    explicit PortalHotKeys(QDBusConnection bus = QDBusConnection::sessionBus(),
                           QObject* parent = nullptr);
    ~PortalHotKeys() override;

    bool available() const override { return available_; }
    // Taken (true) unless the portal is missing or the key has no name in the desktop's form; the
    // registrations of one turn of the event loop are bound together, in a new session.
    bool registerHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) override;
    bool unregisterHotKey(int id) override;

  private slots:
    // A shortcut was pressed (its session, its id); the keys the desktop gave changed.
    void activated(const QDBusMessage& message);
    void shortcutsChanged(const QDBusMessage& message);
    void portalOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

  private:
    enum class State { Starting, Ready, Missing };
    struct Key {
        unsigned modifiers;
        std::uint8_t virtualKey;
        QString name;  // the shortcut's id at the portal, set when bound
    };
    using Done = std::function<void(unsigned response, const QVariantMap& results)>;

    void start();
    void probe();
    void scheduleBind();
    void bind();
    void bindShortcuts();
    void finishBind(bool ok);
    // Calls a method of the portal that answers through a Request object: done gets its response
    // (0 done, 1 cancelled by the user, 2 refused) and results; a failed call counts as refused.
    void request(const QString& method, QList<QVariant> args, const QString& token, Done done);
    void closeSession();
    void setAvailable(bool on);
    void takeTriggers(const QVariant& shortcuts);
    void reportTriggers();

    QDBusConnection bus_;
    State state_ = State::Starting;
    bool available_ = false;
    std::map<int, Key> keys_;
    QString session_;  // the session holding the keys bound last; empty: none
    bool bindQueued_ = false;
    bool busy_ = false;       // a session is being made and bound
    bool bindAgain_ = false;  // the keys changed meanwhile
    int tokens_ = 0;
    std::map<int, std::string> triggers_;
};

}  // namespace velmor
