#include "ui/dbus_control.h"

#include <gtest/gtest.h>

#include <QDBusPendingCallWatcher>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "platform/app_id.h"
#include "support/private_bus.h"
#include "ui_test_support.h"

using velmor::control::Command;

namespace {

struct RecordedCommands : velmor::control::ControlHandler {
    velmor::control::Snapshot snapshot() const override { return {}; }
    velmor::control::Outcome command(Command c, const std::string&) override {
        commands.push_back(c);
        return {};
    }
    std::vector<Command> commands;
};

}  // namespace

TEST(DBusControl, AQuestionOfTheWindowHoldsEveryCommandButShowingItself) {
    char tmpl[] = "/tmp/velmor-dbus-ui-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;
    {
        velmor::test::PrivateBus bus(dir);
        if (bus.address().empty()) GTEST_SKIP() << "dbus-daemon did not start";
        const QString address = QString::fromStdString(bus.address());
        RecordedCommands handler;
        velmor::DBusControl control(handler,
                                    QDBusConnection::connectToBus(address, QStringLiteral("own")));
        std::string why;
        ASSERT_TRUE(control.start(why)) << why;
        QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("client"));
        // The error a call ends with (empty: done), while this thread's events run.
        auto call = [&](const char* interface, const char* member) {
            QDBusMessage m = QDBusMessage::createMethodCall(
                QString::fromLatin1(velmor::kAppId),
                QString::fromLatin1(velmor::control::kObjectPath), QString::fromLatin1(interface),
                QString::fromLatin1(member));
            if (QByteArray(member) == "Activate") m << QVariantMap();
            QDBusPendingCallWatcher watcher(client.asyncCall(m));
            QEventLoop wait;
            QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &wait,
                             &QEventLoop::quit);
            wait.exec();
            return watcher.isError() ? watcher.error().name() : QString();
        };
        const char* own = velmor::control::kInterface;
        const char* app = velmor::control::kApplicationInterface;
        EXPECT_EQ(call(own, "Dial"), QString());

        QMessageBox question;
        QStringList asked;
        QTimer::singleShot(0, &question, [&] {
            asked << call(own, "Dial") << call(own, "HangUp") << call(own, "Show")
                  << call(app, "Activate");
            question.done(0);
        });
        question.exec();
        const QString busy = QStringLiteral("invalid.velmor.velmor.Error.Busy");
        EXPECT_EQ(asked, (QStringList{busy, busy, QString(), QString()}));
        EXPECT_EQ(handler.commands,
                  (std::vector<Command>{Command::Dial, Command::Show, Command::Activate}));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("own"));
    std::filesystem::remove_all(dir);
}
