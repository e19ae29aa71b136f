#pragma once

#include "support/dbus/BusStandIn.h"

#include <QDBusContext>
#include <QDBusVariant>
#include <QMap>
#include <QVariantMap>

namespace meterix::test {

// The desktop portal's settings as a test serves them: Read and ReadAll over a
// table of namespaces and keys, and SettingChanged sent the way the real portal
// sends it (the new value as one variant).
class SettingsPortalStandIn : public BusStandIn, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

  public:
    explicit SettingsPortalStandIn(QDBusConnection bus, QObject* parent = nullptr);

    bool publish() { return BusStandIn::publish(QDBusConnection::ExportAllSlots); }

    // Sets a value without telling anyone (the state before a client asks).
    void seed(const QString& nameSpace, const QString& key, const QVariant& value);
    // Sets a value and sends SettingChanged.
    void change(const QString& nameSpace, const QString& key, const QVariant& value);

    // How many Read calls were answered or refused.
    int readCount() const { return reads_; }

  Q_SIGNALS:
    void readAnswered(const QString& nameSpace, const QString& key);

  public Q_SLOTS:
    // The value wrapped in a second variant, as the portal's Read does.
    QDBusVariant Read(const QString& nameSpace, const QString& key);
    QMap<QString, QVariantMap> ReadAll(const QStringList& namespaces);

  private:
    QMap<QString, QVariantMap> settings_;
    int reads_ = 0;
};

} // namespace meterix::test
