#include "support/dbus/BusStandIn.h"

#include <QDBusMessage>

#include <utility>

namespace meterix::test {

BusStandIn::BusStandIn(QDBusConnection bus, QString service, QString path, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), service_(std::move(service)), path_(std::move(path)) {}

BusStandIn::~BusStandIn() {
    bus_.unregisterObject(path_);
    bus_.unregisterService(service_);
}

bool BusStandIn::publish(QDBusConnection::RegisterOptions options) {
    return bus_.registerObject(path_, this, options) && bus_.registerService(service_);
}

void BusStandIn::sendSignal(const QString& interface, const QString& name, const QVariantList& arguments) {
    QDBusMessage signal = QDBusMessage::createSignal(path_, interface, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

} // namespace meterix::test
