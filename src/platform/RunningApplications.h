#pragma once

#include <QHash>
#include <QObject>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <sys/types.h>
#include <unistd.h>

namespace meterix {

struct DesktopApp;

// Which desktop applications of the user run now, named by the application
// identifiers the account sources carry. Read from /proc (processes of our own
// user only) on a timer that runs only while someone needs the answer, and
// published only when the set changes. Each scan lists /proc once and looks
// inside only the processes it has not seen before, so a scan of a quiet
// desktop reads no process file at all.
class RunningApplications : public QObject {
    Q_OBJECT

  public:
    // apps: the desktop apps the providers' descriptors name.
    explicit RunningApplications(const QList<DesktopApp>& apps, QString procRoot = QStringLiteral("/proc"),
                                 uid_t uid = ::getuid(), int intervalMs = 10000, QObject* parent = nullptr);

    // The last scan's answer; cheap, for views that ask while painting.
    QSet<QString> runningBundleIdentifiers() const { return running_; }

    // Scans only while watching; turning it on scans at once.
    void setWatching(bool watching);

    // Reads /proc now and publishes a change.
    void rescan();

  Q_SIGNALS:
    void runningApplicationsChanged();

  private:
    // A process as last seen: its /proc entry's inode tells a new process
    // that took over a pid from the one seen before (the kernel gives every
    // process entry an inode number of its own), without reading a file.
    struct Seen {
        quint64 entryInode = 0;
        int looks = 0;         // inspections so far (a launcher may exec the app just after)
        QString bundleIdentifier; // empty: not one of the apps
    };

    QSet<QString> scan();
    // Reads the owner, executable and argv[0] of one process into seen;
    // false when the process has gone.
    bool inspect(const QString& pid, Seen& seen);

    // The application identifier of each executable name on Linux.
    QHash<QString, QString> byExecutable_;
    QString procRoot_;
    uid_t uid_;
    QTimer timer_;
    QSet<QString> running_;
    QHash<qint64, Seen> seen_;
};

} // namespace meterix
