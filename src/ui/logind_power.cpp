#include "ui/logind_power.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <cstdio>

namespace velmor {
namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

}  // namespace

LogindPower::LogindPower() {
    QDBusConnection bus = QDBusConnection::systemBus();
    connected_ = bus.isConnected() &&
                 bus.connect(kService, kPath, kManager, QStringLiteral("PrepareForSleep"), this,
                             SLOT(prepareForSleep(bool)));
}

LogindPower::~LogindPower() {
    release();
}

bool LogindPower::inhibit() {
    if (fd_ >= 0) return true;
    if (!connected_) return false;
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("Velmor")
         << QStringLiteral("Модемное соединение разрывается перед сном") << QStringLiteral("delay");
    const QDBusReply<QDBusUnixFileDescriptor> reply =
        QDBusConnection::systemBus().call(call, QDBus::Block, 2000);
    if (!reply.isValid() || !reply.value().isValid()) {
        if (!refusalTold_) {
            std::fprintf(stderr, "Velmor: logind не дал задержать сон: %s\n",
                         reply.error().message().toLocal8Bit().constData());
        }
        refusalTold_ = true;
        return false;
    }
    // The descriptor is the lock: ours until closed.
    fd_ = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 3);
    return fd_ >= 0;
}

void LogindPower::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void LogindPower::prepareForSleep(bool start) {
    const auto& handler = start ? beforeSleep : afterResume;
    if (handler) handler();
}

std::unique_ptr<PowerService> makeSystemPowerService() {
    return std::make_unique<LogindPower>();
}

}  // namespace velmor
