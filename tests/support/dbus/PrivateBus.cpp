#include "support/dbus/PrivateBus.h"

#include <QDeadlineTimer>

#include <signal.h>
#include <sys/prctl.h>

namespace meterix::test {

namespace {
constexpr int kStartTimeoutMs = 10000;
}

QString privateBusConfigFile() {
    return QStringLiteral(METERIX_TEST_BUS_CONFIG);
}

PrivateBus::PrivateBus() {
    // A crashed test must not leave its bus behind.
    daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    daemon_.setProcessChannelMode(QProcess::SeparateChannels);
    daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + privateBusConfigFile(),
                                                  QStringLiteral("--print-address"),
                                                  QStringLiteral("--nofork"), QStringLiteral("--nopidfile")});
    if (!daemon_.waitForStarted(kStartTimeoutMs)) {
        error_ = QStringLiteral("dbus-daemon did not start: ") + daemon_.errorString();
        return;
    }
    // The daemon prints its address once it listens.
    QByteArray out;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!out.contains('\n') && !deadline.hasExpired() && daemon_.state() == QProcess::Running) {
        daemon_.waitForReadyRead(int(deadline.remainingTime()));
        out += daemon_.readAllStandardOutput();
    }
    if (!out.contains('\n')) {
        error_ = QStringLiteral("dbus-daemon gave no address: ") +
                 QString::fromLocal8Bit(daemon_.readAllStandardError());
        return;
    }
    address_ = QString::fromLocal8Bit(out.left(out.indexOf('\n')).trimmed());
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(connections_))
        QDBusConnection::disconnectFromBus(name);
    if (daemon_.state() != QProcess::NotRunning) {
        daemon_.terminate();
        if (!daemon_.waitForFinished(kStartTimeoutMs)) daemon_.kill();
        daemon_.waitForFinished(kStartTimeoutMs);
    }
}

QDBusConnection PrivateBus::connect(const QString& name) {
    connections_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

} // namespace meterix::test
