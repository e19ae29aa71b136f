#include "shell/AppInstanceChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace meterix {

namespace {

// The longest request understood; a peer that sends more is cut off.
constexpr qsizetype kMaxRequest = 64;

bool socketAddress(const QString& path, sockaddr_un& address) {
    const QByteArray native = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (native.isEmpty() || native.size() >= qsizetype(sizeof address.sun_path)) return false;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    return true;
}

void closeDescriptor(int fd) {
    if (fd >= 0) ::close(fd);
}

// Waits for fd to become ready for events, at most until deadline.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (n > 0) return true;
        if (n == 0 || errno != EINTR) return false;
    }
}

// The user id of the process at the other end of a connected socket, as the kernel says.
std::optional<uid_t> socketPeerUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

} // namespace

AppInstanceChannel::AppInstanceChannel(Role role, QString socketPath, std::unique_ptr<QLockFile> lock,
                                       PeerUser peerUser)
    : role_(role), socketPath_(std::move(socketPath)), peerUser_(std::move(peerUser)), lock_(std::move(lock)) {}

std::unique_ptr<AppInstanceChannel> AppInstanceChannel::failed(const QString& socketPath, QString why) {
    std::unique_ptr<AppInstanceChannel> channel(new AppInstanceChannel(Role::failed, socketPath, nullptr));
    channel->failure_ = std::move(why);
    return channel;
}

AppInstanceChannel::~AppInstanceChannel() {
    // Their descriptors close below.
    qDeleteAll(findChildren<QSocketNotifier*>(Qt::FindDirectChildrenOnly));
    for (auto it = requests_.constBegin(); it != requests_.constEnd(); ++it)
        closeDescriptor(it.key());
    if (serverFd_ >= 0) {
        closeDescriptor(serverFd_);
        ::unlink(QFile::encodeName(socketPath_).constData());
    }
}

QString AppInstanceChannel::runtimeFolder() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir(xdg).exists()) return xdg;
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

bool AppInstanceChannel::isPrivateFolder(const QString& folder, uid_t user) {
    struct stat st {};
    if (folder.isEmpty() || ::stat(QFile::encodeName(folder).constData(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == user && (st.st_mode & 07777) == S_IRWXU;
}

std::unique_ptr<AppInstanceChannel> AppInstanceChannel::claim(const QString& folder, int timeoutMs,
                                                              PeerUser peerUser) {
    if (!peerUser) peerUser = socketPeerUser;
    const QString socketPath = QDir(folder).filePath(QStringLiteral("meterix.sock"));
    auto lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("meterix.lock")));
    // A lock whose holder died is taken over at once (QLockFile checks the pid);
    // one held by a live process is never taken for stale, however old.
    lock->setStaleLockTime(0);
    if (folder.isEmpty() || !QDir(folder).exists())
        return failed(socketPath, QStringLiteral("there is no runtime folder to hold %1").arg(socketPath));
    if (!isPrivateFolder(folder, ::geteuid()))
        return failed(socketPath, QStringLiteral("the runtime folder %1 is not this user's own with mode 0700")
                                      .arg(folder));

    if (lock->tryLock(0)) {
        std::unique_ptr<AppInstanceChannel> primary(
            new AppInstanceChannel(Role::primary, socketPath, std::move(lock), std::move(peerUser)));
        if (!primary->listen()) {
            primary->role_ = Role::failed;
            primary->failure_ = QStringLiteral("could not listen on %1").arg(socketPath);
        }
        return primary;
    }
    if (lock->error() != QLockFile::LockFailedError)
        return failed(socketPath, QStringLiteral("could not claim %1").arg(lock->fileName()));
    // Someone runs: it may still be setting up its socket.
    switch (askPrimary(socketPath, timeoutMs, peerUser)) {
    case Reply::answered:
        return std::unique_ptr<AppInstanceChannel>(new AppInstanceChannel(Role::secondary, socketPath, nullptr));
    case Reply::unanswered:
        break;
    case Reply::stranger:
        // Not ours to ask, and not ours to wait for: this start runs alone.
        return failed(socketPath, QStringLiteral("%1 is served by another user's process").arg(socketPath));
    }
    return std::unique_ptr<AppInstanceChannel>(new AppInstanceChannel(Role::unanswered, socketPath, nullptr));
}

AppInstanceChannel::Reply AppInstanceChannel::askPrimary(const QString& socketPath, int timeoutMs,
                                                         const PeerUser& peerUser) {
    sockaddr_un address;
    if (!socketAddress(socketPath, address)) return Reply::unanswered;
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return Reply::unanswered;
        int connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        if (connected != 0 && (errno == EAGAIN || errno == EINPROGRESS || errno == EINTR)) {
            // A full backlog: wait for room.
            int error = 0;
            socklen_t length = sizeof error;
            if (waitFor(fd, POLLOUT, deadline) &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0)
                connected = error == 0 ? 0 : -1;
        }
        if (connected != 0) {
            closeDescriptor(fd);
            QThread::msleep(20); // the lock holder has not opened its socket yet
            continue;
        }
        // The socket's owner at the time it listened: nothing is said to a stranger.
        if (peerUser(fd) != ::geteuid()) {
            closeDescriptor(fd);
            return Reply::stranger;
        }
        bool sent = true;
        for (qsizetype done = 0; sent && done < toggleMessage.size();) {
            const ssize_t n = ::send(fd, toggleMessage.constData() + done,
                                     size_t(toggleMessage.size() - done), MSG_NOSIGNAL);
            if (n > 0)
                done += n;
            else if (!(n < 0 && (errno == EINTR || errno == EAGAIN) && waitFor(fd, POLLOUT, deadline)))
                sent = false;
        }
        // The answer says the request was read, so this process may end now.
        QByteArray reply;
        while (sent && reply.size() < answer.size()) {
            char buffer[16];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0)
                reply.append(buffer, n);
            else if (n == 0 || !((errno == EINTR || errno == EAGAIN) && waitFor(fd, POLLIN, deadline)))
                break;
        }
        closeDescriptor(fd);
        return sent && reply.startsWith(answer) ? Reply::answered : Reply::unanswered;
    }
    return Reply::unanswered;
}

bool AppInstanceChannel::listen() {
    sockaddr_un address;
    if (!socketAddress(socketPath_, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // Only this user may ask: Linux gives the socket file the socket's own
    // mode, and the file is narrowed again once it exists.
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    // We hold the lock: a socket file left there belongs to no one.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        closeDescriptor(fd);
        return false;
    }
    serverFd_ = fd;
    if (::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 16) != 0) return false;
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] { acceptPending(); });
    return true;
}

void AppInstanceChannel::acceptPending() {
    for (;;) {
        const int fd = ::accept4(serverFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;
        }
        // Another user's process (root included) is not heard: the socket's
        // mode already keeps others out, this keeps out whoever got past it.
        if (peerUser_(fd) != ::geteuid()) {
            closeDescriptor(fd);
            continue;
        }
        requests_.insert(fd, QByteArray());
        auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this,
                [this, fd, notifier] { readRequest(fd, notifier); });
    }
}

void AppInstanceChannel::readRequest(int fd, QSocketNotifier* notifier) {
    QByteArray& received = requests_[fd];
    bool done = false;
    for (;;) {
        char buffer[kMaxRequest + 1];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            received.append(buffer, n);
            // Only the one request is understood; anything else is dropped.
            if (received.size() > kMaxRequest) {
                done = true;
                break;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        done = n == 0 || errno != EAGAIN; // the peer went, or the socket failed
        break;
    }
    const qsizetype lineEnd = received.indexOf('\n');
    if (!done && lineEnd < 0) return; // the line is not complete yet
    if (received.size() <= kMaxRequest && lineEnd >= 0 && received.first(lineEnd + 1) == toggleMessage) {
        [[maybe_unused]] const ssize_t sent =
            ::send(fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL);
        Q_EMIT toggleRequested();
    }
    notifier->setEnabled(false);
    notifier->deleteLater();
    requests_.remove(fd);
    closeDescriptor(fd);
}

} // namespace meterix
