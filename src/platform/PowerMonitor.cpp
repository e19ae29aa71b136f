#include "platform/PowerMonitor.h"

#include "platform/DBusSignal.h"

namespace meterix {

PowerMonitor::PowerMonitor(QObject* parent) : PowerMonitor(QDBusConnection::systemBus(), parent) {}

PowerMonitor::PowerMonitor(QDBusConnection bus, QObject* parent) : QObject(parent) {
    connected_ = subscribeToDBusSignal(
        bus, QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(handlePrepareForSleep(bool)));
}

void PowerMonitor::handlePrepareForSleep(bool sleeping) {
    if (sleeping)
        Q_EMIT willSleep();
    else
        Q_EMIT didWake();
}

} // namespace meterix
