#include "shell/AppInstanceChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace meterix {

AppInstanceChannel::AppInstanceChannel(Role role, QString socketPath, std::unique_ptr<QLockFile> lock)
    : role_(role), socketPath_(std::move(socketPath)), lock_(std::move(lock)) {}

AppInstanceChannel::~AppInstanceChannel() {
    if (server_) server_->close(); // removes the socket file
}

QString AppInstanceChannel::runtimeFolder() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir(xdg).exists()) return xdg;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

std::unique_ptr<AppInstanceChannel> AppInstanceChannel::claim(const QString& folder, int timeoutMs) {
    const QString socketPath = QDir(folder).filePath(QStringLiteral("meterix.sock"));
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("meterix.lock")));
    // A lock whose holder died is taken over at once (QLockFile checks the pid);
    // one held by a live process is never taken for stale, however old.
    lock->setStaleLockTime(0);
    if (folder.isEmpty() || !QDir(folder).exists())
        return std::unique_ptr<AppInstanceChannel>(new AppInstanceChannel(Role::failed, socketPath, nullptr));

    if (lock->tryLock(0)) {
        std::unique_ptr<AppInstanceChannel> primary(
            new AppInstanceChannel(Role::primary, socketPath, std::move(lock)));
        if (!primary->listen()) primary->role_ = Role::failed;
        return primary;
    }
    if (lock->error() != QLockFile::LockFailedError)
        return std::unique_ptr<AppInstanceChannel>(new AppInstanceChannel(Role::failed, socketPath, nullptr));
    // Someone runs: it may still be setting up its socket.
    const Role role = askPrimary(socketPath, timeoutMs) ? Role::secondary : Role::unanswered;
    return std::unique_ptr<AppInstanceChannel>(new AppInstanceChannel(role, socketPath, nullptr));
}

bool AppInstanceChannel::askPrimary(const QString& socketPath, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
            socket.write(toggleMessage);
            if (!socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())))) return false;
            // The answer says the request was read, so this process may end now.
            while (socket.bytesAvailable() < answer.size() &&
                   socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())))) {
            }
            return socket.readAll().startsWith(answer);
        }
        QThread::msleep(20); // the lock holder has not opened its socket yet
    }
    return false;
}

bool AppInstanceChannel::listen() {
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock: a socket file left there belongs to no one.
    QLocalServer::removeServer(socketPath_);
    if (!server_->listen(socketPath_)) return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                // Only the one request is understood; anything else is dropped.
                if (socket->bytesAvailable() > 64) {
                    socket->abort();
                    return;
                }
                if (!socket->canReadLine()) return;
                const QByteArray line = socket->readLine(64);
                if (line == toggleMessage) {
                    socket->write(answer);
                    socket->flush();
                    Q_EMIT toggleRequested();
                }
                socket->disconnectFromServer();
            });
        }
    });
    return true;
}

} // namespace meterix
