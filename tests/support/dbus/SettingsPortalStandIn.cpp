#include "support/dbus/SettingsPortalStandIn.h"

#include <QDBusMetaType>

#include <utility>

namespace meterix::test {

SettingsPortalStandIn::SettingsPortalStandIn(QDBusConnection bus, QObject* parent)
    : BusStandIn(std::move(bus), QStringLiteral("org.freedesktop.portal.Desktop"),
                 QStringLiteral("/org/freedesktop/portal/desktop"), parent) {
    qDBusRegisterMetaType<QMap<QString, QVariantMap>>();
}

void SettingsPortalStandIn::seed(const QString& nameSpace, const QString& key, const QVariant& value) {
    settings_[nameSpace][key] = value;
}

void SettingsPortalStandIn::change(const QString& nameSpace, const QString& key, const QVariant& value) {
    seed(nameSpace, key, value);
    sendSignal(QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"),
               {nameSpace, key, QVariant::fromValue(QDBusVariant(value))});
}

QDBusVariant SettingsPortalStandIn::Read(const QString& nameSpace, const QString& key) {
    ++reads_;
    const auto table = settings_.constFind(nameSpace);
    if (table == settings_.constEnd() || !table->contains(key)) {
        sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                       QStringLiteral("Requested setting not found"));
        Q_EMIT readAnswered(nameSpace, key);
        return {};
    }
    Q_EMIT readAnswered(nameSpace, key);
    return QDBusVariant(QVariant::fromValue(QDBusVariant(table->value(key))));
}

QMap<QString, QVariantMap> SettingsPortalStandIn::ReadAll(const QStringList& namespaces) {
    if (namespaces.isEmpty() || namespaces.contains(QString())) return settings_;
    QMap<QString, QVariantMap> out;
    for (const QString& ns : namespaces)
        if (settings_.contains(ns)) out.insert(ns, settings_.value(ns));
    return out;
}

} // namespace meterix::test
