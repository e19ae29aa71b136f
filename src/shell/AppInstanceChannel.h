#pragma once

#include <QByteArray>
#include <QHash>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include <sys/types.h>

class QSocketNotifier;

namespace meterix {

// One Meterix per user: the first to start holds a lock in the user's runtime
// folder and listens on a local socket beside it; a later start finds the lock
// held, asks the running one over the socket to open or close its panel (what a
// click on the status item does, for desktops without a tray) and ends. The
// lock, not the socket, decides who runs, so two starts at the same moment never
// both become the bar, and a crashed one's stale lock and socket are taken over.
// Only this user's own processes take part: the folder must be theirs alone
// (mode 0700, the rule of the desktop's runtime folder), and each side of a
// connection asks the kernel who the other is and speaks only to its own user.
// A folder shared with others (an XDG_RUNTIME_DIR pointing at /tmp) is not
// used at all, so no one else can hold the lock or answer for the bar.
// The socket is a plain Unix stream socket (any local-socket client can speak
// to it): loading a network library for one line a session would cost the bar
// more memory than the rest of its start-up.
class AppInstanceChannel : public QObject {
    Q_OBJECT

  public:
    enum class Role { primary, secondary, unanswered, failed };
    // The user id of the process at the other end of a connected socket.
    using PeerUser = std::function<std::optional<uid_t>(int fd)>;

    ~AppInstanceChannel() override;

    // Claims folder/meterix.lock; as primary it listens on folder/meterix.sock,
    // as secondary it has already asked the primary to toggle (waiting up to
    // timeoutMs for it to answer). unanswered: another one runs but did not
    // answer in time (this start ends all the same, so two never run). failed:
    // no usable folder or socket, or the lock's holder is another user's; the
    // app then runs on its own. peerUser tells who is at the other end of a
    // connection (none: the kernel's word).
    static std::unique_ptr<AppInstanceChannel> claim(const QString& folder, int timeoutMs = 2000,
                                                     PeerUser peerUser = {});
    // The user's runtime folder: $XDG_RUNTIME_DIR, else Qt's runtime location.
    static QString runtimeFolder();
    // Whether folder is a directory owned by user that no one else may enter
    // or list (mode 0700 exactly).
    static bool isPrivateFolder(const QString& folder, uid_t user);

    Role role() const { return role_; }
    QString socketPath() const { return socketPath_; }
    // Why the channel failed, for the one line the app logs; empty otherwise.
    QString failure() const { return failure_; }

    static inline const QByteArray toggleMessage = QByteArrayLiteral("toggle\n");
    static inline const QByteArray answer = QByteArrayLiteral("ok\n");

  Q_SIGNALS:
    // Another start asked to open or close the panel.
    void toggleRequested();

  private:
    enum class Reply { answered, unanswered, stranger };

    AppInstanceChannel(Role role, QString socketPath, std::unique_ptr<QLockFile> lock, PeerUser peerUser = {});
    static std::unique_ptr<AppInstanceChannel> failed(const QString& socketPath, QString why);
    bool listen();
    void acceptPending();
    void readRequest(int fd, QSocketNotifier* notifier);
    static Reply askPrimary(const QString& socketPath, int timeoutMs, const PeerUser& peerUser);

    Role role_;
    QString socketPath_;
    QString failure_;
    PeerUser peerUser_;
    std::unique_ptr<QLockFile> lock_;
    int serverFd_ = -1;
    QHash<int, QByteArray> requests_; // connected peers: what each has sent so far
};

} // namespace meterix
