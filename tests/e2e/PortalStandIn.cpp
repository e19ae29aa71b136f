// The desktop portal's settings on the session bus, for the end-to-end test. It
// starts with the colour scheme given (default 2, prefers light) and animations
// on, prints "read <namespace> <key>" for every Read it answers, and takes new
// values from org.meterix.PortalControl.Set on /org/meterix/PortalControl
// (dbus-send can call it), which it announces with SettingChanged as the portal
// does.
//
//   meterix_portal_stand_in [color-scheme]
#include "support/dbus/SettingsPortalStandIn.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusVariant>

#include <cstdio>

using meterix::test::SettingsPortalStandIn;

class PortalControl : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.meterix.PortalControl")

  public:
    explicit PortalControl(SettingsPortalStandIn& portal) : portal_(portal) {}

  public Q_SLOTS:
    void Set(const QString& nameSpace, const QString& key, const QDBusVariant& value) {
        portal_.change(nameSpace, key, value.variant());
        std::printf("changed %s %s\n", qPrintable(nameSpace), qPrintable(key));
        std::fflush(stdout);
    }

  private:
    SettingsPortalStandIn& portal_;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool ok = true;
    const uint scheme = argc > 1 ? QString::fromLocal8Bit(argv[1]).toUInt(&ok) : 2u;
    if (!ok) {
        std::fprintf(stderr, "usage: %s [color-scheme]\n", argv[0]);
        return 2;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "no session bus\n");
        return 1;
    }
    SettingsPortalStandIn portal(bus);
    portal.seed(QStringLiteral("org.freedesktop.appearance"), QStringLiteral("color-scheme"),
                QVariant::fromValue(scheme));
    portal.seed(QStringLiteral("org.gnome.desktop.interface"), QStringLiteral("enable-animations"), true);
    QObject::connect(&portal, &SettingsPortalStandIn::readAnswered,
                     [](const QString& nameSpace, const QString& key) {
                         std::printf("read %s %s\n", qPrintable(nameSpace), qPrintable(key));
                         std::fflush(stdout);
                     });
    PortalControl control(portal);
    if (!bus.registerObject(QStringLiteral("/org/meterix/PortalControl"), &control,
                            QDBusConnection::ExportAllSlots) ||
        !portal.publish()) {
        std::fprintf(stderr, "could not take the portal's name\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "PortalStandIn.moc"
