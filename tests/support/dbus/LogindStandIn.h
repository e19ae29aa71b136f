#pragma once

#include "support/dbus/BusStandIn.h"

namespace meterix::test {

// logind's manager as a test serves it: the LidClosed and Docked properties
// (read with org.freedesktop.DBus.Properties.Get), their PropertiesChanged, and
// PrepareForSleep, all sent from org.freedesktop.login1.
class LogindStandIn : public BusStandIn {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
    Q_PROPERTY(bool LidClosed READ lidClosed)
    Q_PROPERTY(bool Docked READ docked)

  public:
    explicit LogindStandIn(QDBusConnection bus, QObject* parent = nullptr);

    bool publish() { return BusStandIn::publish(QDBusConnection::ExportAllProperties); }

    bool lidClosed() const { return lidClosed_; }
    bool docked() const { return docked_; }

    // Changes the lid and announces it with PropertiesChanged.
    void setLidClosed(bool closed);
    // Sends PrepareForSleep(sleeping).
    void prepareForSleep(bool sleeping);

  private:
    bool lidClosed_ = false;
    bool docked_ = false;
};

} // namespace meterix::test
