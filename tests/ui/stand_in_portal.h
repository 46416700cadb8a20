// The desktop portal's global shortcuts as a stand-in on a bus of a test's own: it answers
// CreateSession and BindShortcuts through Request objects as a desktop does (or refuses, or has no
// such interface), keeps what was bound, and sends Activated and ShortcutsChanged when told.
#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <map>
#include <vector>

namespace velmor::test {

struct StandInShortcut {
    QString id;
    QVariantMap options;
};

inline QDBusArgument& operator<<(QDBusArgument& out, const StandInShortcut& s) {
    out.beginStructure();
    out << s.id << s.options;
    out.endStructure();
    return out;
}
inline const QDBusArgument& operator>>(const QDBusArgument& in, StandInShortcut& s) {
    in.beginStructure();
    in >> s.id >> s.options;
    in.endStructure();
    return in;
}

}  // namespace velmor::test

Q_DECLARE_METATYPE(velmor::test::StandInShortcut)

namespace velmor::test {

class StandInPortal : public QDBusVirtualObject {
  public:
    enum class Kind { Binds, Refuses, WithoutShortcuts };
    static inline const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
    static inline const QString kShortcuts =
        QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

    StandInPortal(const QString& address, Kind kind)
        : bus_(QDBusConnection::connectToBus(address, QStringLiteral("stand-in-portal"))),
          kind_(kind) {
        qDBusRegisterMetaType<StandInShortcut>();
        qDBusRegisterMetaType<QList<StandInShortcut>>();
        bus_.registerVirtualObject(kPath, this, QDBusConnection::SubPath);
        owned_ = bus_.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
    ~StandInPortal() override {
        bus_.unregisterObject(kPath, QDBusConnection::UnregisterTree);
        QDBusConnection::disconnectFromBus(QStringLiteral("stand-in-portal"));
    }
    bool owned() const { return owned_; }

    // What the program asked, the last bind's shortcuts (id, description, preferred trigger).
    QStringList registeredIds;
    std::vector<std::array<QString, 3>> bound;
    int binds = 0;
    QStringList closed;  // sessions closed by the program
    QString session;     // the last one made
    // The keys the desktop gives a shortcut (its text for the user); by default its preferred
    // ones; a shortcut given "-" is left out of the answer (not bound).
    std::map<QString, QString> give;

    void activate(const QString& id) {
        emitSignal("Activated", {sessionPath(), id, qulonglong(1), QVariantMap()});
    }
    // The user gave a shortcut other keys in the desktop's settings.
    void change(const QString& id, const QString& trigger) {
        const QList<StandInShortcut> list{{id, {{QStringLiteral("trigger_description"), trigger}}}};
        emitSignal("ShortcutsChanged", {sessionPath(), QVariant::fromValue(list)});
    }

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        const QString member = m.member();
        if (m.interface() == QStringLiteral("org.freedesktop.host.portal.Registry")) {
            registeredIds << m.arguments().value(0).toString();
            return reply(m, {});
        }
        if (m.interface() == QStringLiteral("org.freedesktop.portal.Session")) {
            closed << m.path();
            return reply(m, {});
        }
        if (m.interface() == QStringLiteral("org.freedesktop.DBus.Properties")) {
            if (kind_ == Kind::WithoutShortcuts || m.arguments().value(0).toString() != kShortcuts)
                return error(m);
            return reply(m, {QVariant::fromValue(QDBusVariant(2u))});
        }
        if (m.interface() != kShortcuts || kind_ == Kind::WithoutShortcuts) return error(m);
        const QVariantMap options = qdbus_cast<QVariantMap>(m.arguments().last());
        QString sender = m.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString handle = kPath + "/request/" + sender + "/" +
                               options.value(QStringLiteral("handle_token")).toString();
        // The call is answered first, its result comes with the Response.
        reply(m, {QVariant::fromValue(QDBusObjectPath(handle))});
        QVariantMap results;
        if (member == QStringLiteral("CreateSession")) {
            session = kPath + "/session/" + sender + "/" +
                      options.value(QStringLiteral("session_handle_token")).toString();
            results[QStringLiteral("session_handle")] = session;
        } else if (member == QStringLiteral("BindShortcuts")) {
            ++binds;
            bound.clear();
            QList<StandInShortcut> given;
            const QDBusArgument list = m.arguments().value(1).value<QDBusArgument>();
            list.beginArray();
            while (!list.atEnd()) {
                StandInShortcut s;
                list >> s;
                const QString preferred =
                    s.options.value(QStringLiteral("preferred_trigger")).toString();
                bound.push_back(
                    {s.id, s.options.value(QStringLiteral("description")).toString(), preferred});
                const QString keys = give.contains(s.id) ? give[s.id] : preferred;
                if (keys != QStringLiteral("-"))
                    given.append({s.id, {{QStringLiteral("trigger_description"), keys}}});
            }
            list.endArray();
            results[QStringLiteral("shortcuts")] = QVariant::fromValue(given);
        }
        QDBusMessage response = QDBusMessage::createSignal(
            handle, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        response << uint(kind_ == Kind::Refuses ? 2 : 0) << results;
        connection.send(response);
        return true;
    }

  private:
    QVariant sessionPath() const { return QVariant::fromValue(QDBusObjectPath(session)); }
    void emitSignal(const char* name, const QList<QVariant>& args) {
        QDBusMessage s = QDBusMessage::createSignal(kPath, kShortcuts, QLatin1String(name));
        s.setArguments(args);
        bus_.send(s);
    }
    bool reply(const QDBusMessage& m, const QList<QVariant>& args) {
        QDBusMessage r = m.createReply(args);
        return bus_.send(r);
    }
    bool error(const QDBusMessage& m) {
        return bus_.send(m.createErrorReply(QDBusError::UnknownInterface, m.interface()));
    }

    QDBusConnection bus_;
    Kind kind_;
    bool owned_ = false;
};

}  // namespace velmor::test
