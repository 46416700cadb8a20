#include "ui/dbus_control.h"

#include <QApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>
#include <cstdlib>

#include "platform/app_id.h"

namespace velmor {
namespace {

using control::Command;
using control::Property;

const QString kPath = QString::fromLatin1(control::kObjectPath);
const QString kControl = QString::fromLatin1(control::kInterface);
const QString kApplication = QString::fromLatin1(control::kApplicationInterface);
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The types of the properties on the bus, in the order of control::Property.
const char* const kPropertyTypes[control::kPropertyCount] = {"s", "b", "s", "s", "s", "u", "s",
                                                             "s", "t", "t", "t", "d", "u"};

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

// The value of a property on the bus.
QVariant propertyValue(const control::Snapshot& s, Property p) {
    switch (p) {
        case Property::State:
            return QString::fromLatin1(control::stateName(s.state));
        case Property::Locked:
            return s.locked;
        case Property::Entry:
            return text(s.entry);
        case Property::Phone:
            return text(s.phone);
        case Property::StateText:
            return text(s.stateText);
        case Property::Speed:
            return QVariant::fromValue<uint>(s.speed);
        case Property::LocalAddress:
            return text(s.localAddress);
        case Property::RemoteAddress:
            return text(s.remoteAddress);
        case Property::SessionSeconds:
            return QVariant::fromValue<qulonglong>(
                static_cast<qulonglong>(s.sessionSeconds < 0 ? 0 : s.sessionSeconds));
        case Property::ReceivedBytes:
            return QVariant::fromValue<qulonglong>(s.receivedBytes);
        case Property::SentBytes:
            return QVariant::fromValue<qulonglong>(s.sentBytes);
        case Property::SessionMoney:
            return s.sessionMoney;
        case Property::Attempts:
            return QVariant::fromValue<uint>(s.attempts);
    }
    return {};
}

QVariantMap allProperties(const control::Snapshot& s) {
    QVariantMap map;
    for (int i = 0; i < control::kPropertyCount; ++i) {
        const auto p = static_cast<Property>(i);
        map.insert(QString::fromLatin1(control::propertyName(p)), propertyValue(s, p));
    }
    return map;
}

}  // namespace

DBusControl::DBusControl(control::ControlHandler& handler, QDBusConnection bus)
    : bus_(std::move(bus)), handler_(handler) {}

DBusControl::~DBusControl() {
    if (named_) bus_.interface()->unregisterService(QString::fromLatin1(kAppId));
    if (registered_) bus_.unregisterObject(kPath);
}

bool DBusControl::start(std::string& why) {
    if (!bus_.isConnected()) {
        why = "сеансовой шины D-Bus нет";
        const QString error = bus_.lastError().message();
        if (!error.isEmpty()) why += " (" + error.toStdString() + ")";
        return false;
    }
    registered_ = bus_.registerVirtualObject(kPath, this, QDBusConnection::SingleNode);
    if (!registered_) {
        why = "объект " + kPath.toStdString() + " на сеансовой шине занят";
        return false;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus_.interface()->registerService(QString::fromLatin1(kAppId),
                                          QDBusConnectionInterface::DontQueueService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    named_ = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
    if (!named_) {
        why = std::string("имя ") + kAppId + " на сеансовой шине занято другой программой";
        bus_.unregisterObject(kPath);
        registered_ = false;
        return false;
    }
    return true;
}

void DBusControl::propertiesChanged(const control::Snapshot& now,
                                    const std::vector<Property>& changed) {
    if (!named_ || changed.empty()) return;
    QVariantMap values;
    for (Property p : changed)
        values.insert(QString::fromLatin1(control::propertyName(p)), propertyValue(now, p));
    QDBusMessage signal =
        QDBusMessage::createSignal(kPath, kProperties, QStringLiteral("PropertiesChanged"));
    signal << kControl << values << QStringList();
    bus_.send(signal);
}

bool DBusControl::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    const QString interface = message.interface();
    const QString member = message.member();
    const QString signature = message.signature();
    const QList<QVariant> args = message.arguments();
    auto reply = [&](const QList<QVariant>& values = {}) {
        connection.send(message.createReply(values));
        return true;
    };
    auto error = [&](const QString& name, const QString& why) {
        connection.send(message.createErrorReply(name, why));
        return true;
    };
    auto badArguments = [&](const char* expected) {
        return error(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                     member + QStringLiteral(" takes (") + QString::fromLatin1(expected) +
                         QStringLiteral("), not (") + signature + QStringLiteral(")"));
    };
    auto run = [&](Command command, const std::string& argument = {}) {
        // A question of the window waits for its answer: the window takes no command meanwhile,
        // but it may be brought to the front to be answered.
        if (command != Command::Show && command != Command::Activate &&
            qobject_cast<QApplication*>(QCoreApplication::instance()) &&
            QApplication::activeModalWidget()) {
            return error(QString::fromStdString(control::errorName(control::Refusal::Busy)),
                         QStringLiteral("Программа ждёт ответа на вопрос в своём окне"));
        }
        const control::Outcome outcome = handler_.command(command, argument);
        if (outcome.done()) return reply();
        return error(QString::fromStdString(control::errorName(outcome.refusal)),
                     text(outcome.message));
    };

    if (interface == kProperties) {
        if (member == QLatin1String("Get")) {
            if (signature != QLatin1String("ss")) return badArguments("ss");
            const QString name = args.value(1).toString();
            if (args.value(0).toString() == kControl) {
                for (int i = 0; i < control::kPropertyCount; ++i) {
                    const auto p = static_cast<Property>(i);
                    if (name == QLatin1String(control::propertyName(p))) {
                        return reply({QVariant::fromValue(
                            QDBusVariant(propertyValue(handler_.snapshot(), p)))});
                    }
                }
            }
            return error(QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
                         QStringLiteral("No property ") + name);
        }
        if (member == QLatin1String("GetAll")) {
            if (signature != QLatin1String("s")) return badArguments("s");
            const QVariantMap all = args.value(0).toString() == kControl
                                        ? allProperties(handler_.snapshot())
                                        : QVariantMap();
            return reply({all});
        }
        if (member == QLatin1String("Set")) {
            return error(
                QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly"),
                QStringLiteral("Every property of ") + kControl + QStringLiteral(" is read-only"));
        }
        return false;
    }

    if (interface == kApplication) {
        if (member == QLatin1String("Activate")) {
            if (signature != QLatin1String("a{sv}")) return badArguments("a{sv}");
            return run(Command::Activate);
        }
        if (member == QLatin1String("ActivateAction")) {
            if (signature != QLatin1String("sava{sv}")) return badArguments("sava{sv}");
            const QString action = args.value(0).toString();
            if (action == QLatin1String(control::kConnectAction)) return run(Command::Dial);
            if (action == QLatin1String(control::kDisconnectAction)) return run(Command::HangUp);
            return error(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                         QStringLiteral("No action ") + action);
        }
        if (member == QLatin1String("Open")) {
            return error(QStringLiteral("org.freedesktop.DBus.Error.NotSupported"),
                         QStringLiteral("Velmor opens no files"));
        }
        return false;
    }

    if (interface == kControl || interface.isEmpty()) {
        static const std::pair<const char*, Command> plain[] = {
            {"Dial", Command::Dial},     {"HangUp", Command::HangUp}, {"Next", Command::Next},
            {"Redial", Command::Redial}, {"Show", Command::Show},
        };
        for (const auto& [name, command] : plain) {
            if (member != QLatin1String(name)) continue;
            if (!signature.isEmpty()) return badArguments("");
            return run(command);
        }
        if (member == QLatin1String("SelectEntry")) {
            if (signature != QLatin1String("s")) return badArguments("s");
            return run(Command::SelectEntry, args.value(0).toString().toStdString());
        }
    }
    // Introspection and the rest of the standard interfaces are the bus library's.
    return false;
}

QString DBusControl::introspect(const QString& /*path*/) const {
    QString xml = QStringLiteral("<interface name=\"") + kControl + QStringLiteral("\">\n");
    for (const char* method : {"Dial", "HangUp", "Next", "Redial", "Show"})
        xml += QStringLiteral("<method name=\"%1\"/>\n").arg(QLatin1String(method));
    xml += QStringLiteral(
        "<method name=\"SelectEntry\"><arg name=\"name\" type=\"s\" direction=\"in\"/></method>\n");
    for (int i = 0; i < control::kPropertyCount; ++i) {
        xml += QStringLiteral("<property name=\"%1\" type=\"%2\" access=\"read\"/>\n")
                   .arg(QLatin1String(control::propertyName(static_cast<Property>(i))),
                        QLatin1String(kPropertyTypes[i]));
    }
    xml += QStringLiteral("</interface>\n<interface name=\"") + kApplication +
           QStringLiteral(
               "\">\n"
               "<method name=\"Activate\"><arg name=\"platform_data\" type=\"a{sv}\" "
               "direction=\"in\"/></method>\n"
               "<method name=\"Open\"><arg name=\"uris\" type=\"as\" direction=\"in\"/>"
               "<arg name=\"platform_data\" type=\"a{sv}\" direction=\"in\"/></method>\n"
               "<method name=\"ActivateAction\"><arg name=\"action_name\" type=\"s\" "
               "direction=\"in\"/><arg name=\"parameter\" type=\"av\" direction=\"in\"/>"
               "<arg name=\"platform_data\" type=\"a{sv}\" direction=\"in\"/></method>\n"
               "</interface>\n");
    return xml;
}

void activateRunningInstance(bool dial) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    // What the desktop gave this start to hand the focus on with.
    QVariantMap platformData;
    if (const char* id = std::getenv("DESKTOP_STARTUP_ID"); id && *id)
        platformData.insert(QStringLiteral("desktop-startup-id"), QString::fromUtf8(id));
    if (const char* token = std::getenv("XDG_ACTIVATION_TOKEN"); token && *token)
        platformData.insert(QStringLiteral("activation-token"), QString::fromUtf8(token));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(kAppId), kPath, kApplication,
        dial ? QStringLiteral("ActivateAction") : QStringLiteral("Activate"));
    if (dial) {
        call << QString::fromLatin1(control::kConnectAction) << QVariantList() << platformData;
    } else {
        call << platformData;
    }
    // The bus may know how to start the program: it must not, that would be a third one.
    call.setAutoStartService(false);
    bus.call(call, QDBus::Block, 5000);
}

}  // namespace velmor
