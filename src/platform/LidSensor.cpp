#include "platform/LidSensor.h"

#include "platform/DBusSignal.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <utility>

namespace meterix {

namespace {
const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
constexpr auto kMaxAge = std::chrono::seconds(5);
} // namespace

LidSensor::LidSensor(QObject* parent) : LidSensor(QDBusConnection::systemBus(), parent) {}

LidSensor::LidSensor(QDBusConnection bus, QObject* parent) : QObject(parent), bus_(std::move(bus)) {
    if (!bus_.isConnected()) return;
    // Even without the subscription the periodic re-read keeps the answers near.
    connected_ = true;
    subscribeToDBusSignal(bus_, kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                          QStringLiteral("PropertiesChanged"), this,
                          SLOT(handlePropertiesChanged(QString, QVariantMap, QStringList)));
    refreshIfStale();
}

bool LidSensor::isLidClosed() {
    refreshIfStale();
    return lidClosed_;
}

bool LidSensor::isDocked() {
    refreshIfStale();
    return docked_;
}

void LidSensor::handlePropertiesChanged(const QString& interface, const QVariantMap& changed,
                                        const QStringList&) {
    if (interface != kManager) return;
    if (auto it = changed.find(QStringLiteral("LidClosed")); it != changed.end()) lidClosed_ = it->toBool();
    if (auto it = changed.find(QStringLiteral("Docked")); it != changed.end()) docked_ = it->toBool();
}

void LidSensor::refreshIfStale() {
    if (!connected_ || pendingReads_ > 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (lastRead_ != std::chrono::steady_clock::time_point{} && now - lastRead_ < kMaxAge) return;
    lastRead_ = now;
    requestProperty(QStringLiteral("LidClosed"));
    requestProperty(QStringLiteral("Docked"));
}

void LidSensor::requestProperty(const QString& name) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << kManager << name;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 1000), this);
    ++pendingReads_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, name] {
        QDBusPendingReply<QDBusVariant> reply = *watcher;
        if (!reply.isError()) {
            const bool value = reply.value().variant().toBool();
            if (name == QLatin1String("LidClosed"))
                lidClosed_ = value;
            else
                docked_ = value;
        }
        --pendingReads_;
        watcher->deleteLater();
    });
}

} // namespace meterix
