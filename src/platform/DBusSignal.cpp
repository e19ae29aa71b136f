#include "platform/DBusSignal.h"

#include <QLoggingCategory>

namespace meterix {

namespace {
Q_LOGGING_CATEGORY(logDesktopBus, "com.meterix.dbus", QtInfoMsg)
} // namespace

bool subscribeToDBusSignal(QDBusConnection& bus, const QString& service, const QString& path,
                           const QString& interface, const QString& name, QObject* receiver,
                           const char* slot) {
    if (!bus.isConnected()) return false;
    if (bus.connect(service, path, interface, name, receiver, slot)) return true;
    qCWarning(logDesktopBus).noquote() << "Could not subscribe to" << interface + QLatin1Char('.') + name
                                       << "on the" << bus.name() << "bus; its changes will not be followed";
    return false;
}

} // namespace meterix
