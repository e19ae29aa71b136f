#pragma once

#include <QDBusConnection>
#include <QObject>

#include <atomic>
#include <chrono>

namespace meterix {

// Whether the lid is closed and whether the machine is docked, from logind's
// LidClosed and Docked properties. Answers come from a cache that
// PropertiesChanged keeps current and a background re-read refreshes when it is
// older than a few seconds, so a check never waits for the bus. No bus, no
// answer, or no lid: open and undocked.
class LidSensor : public QObject {
    Q_OBJECT

  public:
    // Asks logind on the system bus.
    explicit LidSensor(QObject* parent = nullptr);
    // Asks on the given bus (a private one in tests).
    explicit LidSensor(QDBusConnection bus, QObject* parent = nullptr);

    bool isLidClosed();
    bool isDocked();

  public Q_SLOTS:
    // Applies a properties change of org.freedesktop.login1.Manager.
    void handlePropertiesChanged(const QString& interface, const QVariantMap& changed,
                                 const QStringList& invalidated);

  private:
    void refreshIfStale();
    void requestProperty(const QString& name);

    QDBusConnection bus_;
    bool connected_ = false;
    bool lidClosed_ = false;
    bool docked_ = false;
    int pendingReads_ = 0;
    std::chrono::steady_clock::time_point lastRead_{};
};

} // namespace meterix
