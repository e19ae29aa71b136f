#include "platform/PowerMonitor.h"

#include <QDBusConnection>

namespace meterix {

PowerMonitor::PowerMonitor(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    connected_ =
        bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
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
