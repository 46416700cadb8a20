#include "ui/portal_hotkeys.h"

#include <xkbcommon/xkbcommon.h>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QTimer>
#include <set>

#include "platform/app_id.h"
#include "platform/linux/x11_hotkeys.h"

namespace {

// One shortcut as BindShortcuts takes it: its id and its description and preferred keys.
struct PortalShortcut {
    QString id;
    QVariantMap options;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& s) {
    out.beginStructure();
    out << s.id << s.options;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& s) {
    in.beginStructure();
    in >> s.id >> s.options;
    in.endStructure();
    return in;
}

}  // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace velmor {
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

// Waits for the Response of one portal request and hands it on once.
class PortalRequest : public QObject {
    Q_OBJECT
  public:
    PortalRequest(QDBusConnection bus, std::function<void(unsigned, const QVariantMap&)> done)
        : bus_(std::move(bus)), done_(std::move(done)) {}

    // Listens at a handle (the expected one before the call, the one the portal gave after it).
    void listen(const QString& handle) {
        if (paths_.contains(handle)) return;
        paths_.insert(handle);
        bus_.connect(kPortal, handle, kRequest, QStringLiteral("Response"), this,
                     SLOT(response(uint, QVariantMap)));
    }

  public slots:
    void response(uint code, const QVariantMap& results) {
        if (!done_) return;
        for (const QString& p : paths_)
            bus_.disconnect(kPortal, p, kRequest, QStringLiteral("Response"), this,
                            SLOT(response(uint, QVariantMap)));
        const auto done = std::move(done_);
        done_ = nullptr;
        deleteLater();
        done(code, results);
    }

  private:
    QDBusConnection bus_;
    std::function<void(unsigned, const QVariantMap&)> done_;
    std::set<QString> paths_;
};

constexpr unsigned kRefused = 2;

}  // namespace

std::string portalTrigger(unsigned modifiers, std::uint8_t virtualKey) {
    const std::uint32_t keysym = keysymOfVirtualKey(virtualKey);
    char name[64] = {};
    if (keysym == 0 || xkb_keysym_get_name(keysym, name, sizeof name) <= 0) return {};
    std::string trigger;
    if (modifiers & kModControl) trigger += "CTRL+";
    if (modifiers & kModAlt) trigger += "ALT+";
    if (modifiers & kModShift) trigger += "SHIFT+";
    if (modifiers & kModWin) trigger += "LOGO+";
    return trigger + name;
}

PortalHotKeys::PortalHotKeys(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    if (!bus_.isConnected()) {
        state_ = State::Missing;
        return;
    }
    available_ = true;
    // A portal that starts again has forgotten the session: the keys are bound anew.
    auto* watcher =
        new QDBusServiceWatcher(kPortal, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &PortalHotKeys::portalOwnerChanged);
    bus_.connect(kPortal, kPath, kShortcuts, QStringLiteral("Activated"), this,
                 SLOT(activated(QDBusMessage)));
    bus_.connect(kPortal, kPath, kShortcuts, QStringLiteral("ShortcutsChanged"), this,
                 SLOT(shortcutsChanged(QDBusMessage)));
    start();
}

PortalHotKeys::~PortalHotKeys() {
    closeSession();
}

void PortalHotKeys::start() {
    state_ = State::Starting;
    // The portal learns the program's application id before any other call (a portal without
    // the registry, or one that knows the program already, answers with an error: no matter).
    QDBusMessage reg = QDBusMessage::createMethodCall(
        kPortal, kPath, QStringLiteral("org.freedesktop.host.portal.Registry"),
        QStringLiteral("Register"));
    reg << QString::fromLatin1(kAppId) << QVariantMap();
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(reg), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        probe();
    });
}

void PortalHotKeys::probe() {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kPortal, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kShortcuts << QStringLiteral("version");
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        if (w->isError()) {
            // No portal, or one without global shortcuts.
            state_ = State::Missing;
            setAvailable(false);
            return;
        }
        state_ = State::Ready;
        if (!keys_.empty()) scheduleBind();
    });
}

void PortalHotKeys::portalOwnerChanged(const QString&, const QString&, const QString& newOwner) {
    const bool hadSession = !session_.isEmpty();
    session_.clear();
    if (newOwner.isEmpty()) return;
    // The first start of an activated portal is the probe's own.
    if (state_ == State::Starting && !hadSession) return;
    busy_ = false;
    start();
}

bool PortalHotKeys::registerHotKey(int id, unsigned modifiers, std::uint8_t virtualKey) {
    if (state_ == State::Missing || portalTrigger(modifiers, virtualKey).empty()) return false;
    for (const auto& [other, key] : keys_) {
        // The same keys twice: taken, as another program's would be.
        if (other == id || (key.modifiers == modifiers && key.virtualKey == virtualKey))
            return false;
    }
    keys_[id] = Key{modifiers, virtualKey, {}};
    scheduleBind();
    return true;
}

bool PortalHotKeys::unregisterHotKey(int id) {
    if (keys_.erase(id) == 0) return false;
    scheduleBind();
    return true;
}

void PortalHotKeys::scheduleBind() {
    if (bindQueued_) return;
    bindQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        bindQueued_ = false;
        bind();
    });
}

void PortalHotKeys::bind() {
    if (state_ != State::Ready) return;
    if (busy_) {
        bindAgain_ = true;
        return;
    }
    // A session binds its shortcuts once: new keys take a new session, and the old one goes
    // with the keys it holds.
    closeSession();
    triggers_.clear();
    if (keys_.empty()) {
        reportTriggers();
        return;
    }
    busy_ = true;
    const QString token = QStringLiteral("velmor%1").arg(++tokens_);
    QVariantMap options{{QStringLiteral("handle_token"), token},
                        {QStringLiteral("session_handle_token"), token}};
    request(QStringLiteral("CreateSession"), {options}, token,
            [this](unsigned response, const QVariantMap& results) {
                if (response != 0) return finishBind(false);
                const QVariant handle = results.value(QStringLiteral("session_handle"));
                session_ = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
                               ? handle.value<QDBusObjectPath>().path()
                               : handle.toString();
                if (session_.isEmpty()) return finishBind(false);
                bindShortcuts();
            });
}

void PortalHotKeys::bindShortcuts() {
    QList<PortalShortcut> shortcuts;
    std::set<QString> names;
    for (auto& [id, key] : keys_) {
        Purpose purpose = purposeOf ? purposeOf(key.modifiers, key.virtualKey) : Purpose{};
        QString name = QString::fromStdString(purpose.name);
        if (name.isEmpty() || names.contains(name)) name = QStringLiteral("VelmorHotKey%1").arg(id);
        names.insert(name);
        key.name = name;
        shortcuts.append(PortalShortcut{
            name,
            {{QStringLiteral("description"), QString::fromStdString(purpose.description)},
             {QStringLiteral("preferred_trigger"),
              QString::fromStdString(portalTrigger(key.modifiers, key.virtualKey))}}});
    }
    const QString token = QStringLiteral("velmor%1").arg(++tokens_);
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts),
             QString(), QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, [this](unsigned response, const QVariantMap& results) {
                if (response != 0) {
                    closeSession();
                    return finishBind(false);
                }
                takeTriggers(results.value(QStringLiteral("shortcuts")));
                finishBind(true);
            });
}

void PortalHotKeys::finishBind(bool ok) {
    busy_ = false;
    if (!ok) triggers_.clear();
    reportTriggers();
    // Refused (by the user, or by the desktop): the page says there are no global hot keys.
    setAvailable(ok);
    if (bindAgain_) {
        bindAgain_ = false;
        scheduleBind();
    }
}

void PortalHotKeys::request(const QString& method, QList<QVariant> args, const QString& token,
                            Done done) {
    // The Response may come before the call's reply: the handle is listened at before the call.
    QString sender = bus_.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    auto* waiting = new PortalRequest(bus_, std::move(done));
    waiting->setParent(this);
    waiting->listen(kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token);
    QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPath, kShortcuts, method);
    call.setArguments(args);
    auto* reply = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(reply, &QDBusPendingCallWatcher::finished, waiting,
            [waiting](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                QDBusPendingReply<QDBusObjectPath> r = *w;
                if (r.isError()) return waiting->response(kRefused, {});
                waiting->listen(r.value().path());
            });
}

void PortalHotKeys::closeSession() {
    if (session_.isEmpty()) return;
    bus_.send(QDBusMessage::createMethodCall(kPortal, session_,
                                             QStringLiteral("org.freedesktop.portal.Session"),
                                             QStringLiteral("Close")));
    session_.clear();
}

void PortalHotKeys::setAvailable(bool on) {
    if (on == available_) return;
    available_ = on;
    if (onAvailabilityChanged) onAvailabilityChanged(on);
}

void PortalHotKeys::takeTriggers(const QVariant& shortcuts) {
    if (!shortcuts.canConvert<QDBusArgument>()) return;
    const QDBusArgument list = shortcuts.value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        PortalShortcut s;
        list >> s;
        const QString trigger = s.options.value(QStringLiteral("trigger_description")).toString();
        for (const auto& [id, key] : keys_) {
            if (key.name == s.id) triggers_[id] = trigger.toStdString();
        }
    }
    list.endArray();
}

void PortalHotKeys::reportTriggers() {
    if (onTriggersChosen) onTriggersChosen(triggers_);
}

void PortalHotKeys::activated(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || session_.isEmpty()) return;
    if (args[0].value<QDBusObjectPath>().path() != session_) return;
    const QString shortcut = args[1].toString();
    for (const auto& [id, key] : keys_) {
        if (key.name != shortcut) continue;
        // As a press of the keys: the registry finds the combination by them.
        if (onHotKey) onHotKey(id, key.modifiers, key.virtualKey);
        return;
    }
}

void PortalHotKeys::shortcutsChanged(const QDBusMessage& message) {
    const QList<QVariant> args = message.arguments();
    if (args.size() < 2 || session_.isEmpty()) return;
    if (args[0].value<QDBusObjectPath>().path() != session_) return;
    takeTriggers(args[1]);
    reportTriggers();
}

}  // namespace velmor

#include "portal_hotkeys.moc"
