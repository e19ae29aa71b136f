#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace meterix::test {

// A dbus-daemon of the test's own (Debian's dbus package), never the machine's
// buses: anyone may own any name and nothing is started on demand. It stops
// with this object, or with the test process if that dies first.
class PrivateBus {
  public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the daemon could not be started.
    QString address() const { return address_; }
    bool isRunning() const { return !address_.isEmpty(); }
    // The daemon's output when it failed to start, for the failure message.
    QString startError() const { return error_; }

    // A new connection to the bus under a name of its own; closed when the bus stops.
    QDBusConnection connect(const QString& name);

  private:
    QProcess daemon_;
    QString address_;
    QString error_;
    QStringList connections_;
};

// The configuration the daemon runs with (also used by the end-to-end scripts).
QString privateBusConfigFile();

} // namespace meterix::test
