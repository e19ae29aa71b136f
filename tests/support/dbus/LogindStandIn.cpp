#include "support/dbus/LogindStandIn.h"

#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace meterix::test {

namespace {
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
}

LogindStandIn::LogindStandIn(QDBusConnection bus, QObject* parent)
    : BusStandIn(std::move(bus), QStringLiteral("org.freedesktop.login1"),
                 QStringLiteral("/org/freedesktop/login1"), parent) {}

void LogindStandIn::setLidClosed(bool closed) {
    lidClosed_ = closed;
    sendSignal(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
               {kManager, QVariantMap{{QStringLiteral("LidClosed"), closed}}, QStringList{}});
}

void LogindStandIn::prepareForSleep(bool sleeping) {
    sendSignal(kManager, QStringLiteral("PrepareForSleep"), {sleeping});
}

} // namespace meterix::test
