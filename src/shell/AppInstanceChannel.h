#pragma once

#include <QByteArray>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace meterix {

// One Meterix per user: the first to start holds a lock in the user's runtime
// folder and listens on a local socket beside it; a later start finds the lock
// held, asks the running one over the socket to open or close its panel (what a
// click on the status item does, for desktops without a tray) and ends. The
// lock, not the socket, decides who runs, so two starts at the same moment never
// both become the bar, and a crashed one's stale lock and socket are taken over.
// The socket is a plain Unix stream socket (any local-socket client can speak
// to it): loading a network library for one line a session would cost the bar
// more memory than the rest of its start-up.
class AppInstanceChannel : public QObject {
    Q_OBJECT

  public:
    enum class Role { primary, secondary, unanswered, failed };

    ~AppInstanceChannel() override;

    // Claims folder/meterix.lock; as primary it listens on folder/meterix.sock,
    // as secondary it has already asked the primary to toggle (waiting up to
    // timeoutMs for it to answer). unanswered: another one runs but did not
    // answer in time (this start ends all the same, so two never run). failed:
    // no usable folder or socket; the app then runs on its own.
    static std::unique_ptr<AppInstanceChannel> claim(const QString& folder, int timeoutMs = 2000);
    // The user's runtime folder: $XDG_RUNTIME_DIR, else Qt's runtime location.
    static QString runtimeFolder();

    Role role() const { return role_; }
    QString socketPath() const { return socketPath_; }

    static inline const QByteArray toggleMessage = QByteArrayLiteral("toggle\n");
    static inline const QByteArray answer = QByteArrayLiteral("ok\n");

  Q_SIGNALS:
    // Another start asked to open or close the panel.
    void toggleRequested();

  private:
    AppInstanceChannel(Role role, QString socketPath, std::unique_ptr<QLockFile> lock);
    bool listen();
    void acceptPending();
    void readRequest(int fd, QSocketNotifier* notifier);
    static bool askPrimary(const QString& socketPath, int timeoutMs);

    Role role_;
    QString socketPath_;
    std::unique_ptr<QLockFile> lock_;
    int serverFd_ = -1;
    QHash<int, QByteArray> requests_; // connected peers: what each has sent so far
};

} // namespace meterix
