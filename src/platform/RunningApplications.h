#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <sys/types.h>
#include <unistd.h>

namespace meterix {

// Which desktop applications of the user run now, named by the application
// identifiers the account sources carry. Read from /proc (processes of our own
// user only) on a timer that runs only while someone needs the answer, and
// published only when the set changes.
class RunningApplications : public QObject {
    Q_OBJECT

  public:
    explicit RunningApplications(QString procRoot = QStringLiteral("/proc"), uid_t uid = ::getuid(),
                                 int intervalMs = 5000, QObject* parent = nullptr);

    static RunningApplications& shared();

    // The executable names that stand for an application identifier on Linux;
    // empty for applications that have no Linux build.
    static QStringList executableNames(const QString& bundleIdentifier);
    // Every application identifier the table knows.
    static QStringList knownBundleIdentifiers();

    // The last scan's answer; cheap, for views that ask while painting.
    QSet<QString> runningBundleIdentifiers() const { return running_; }

    // Scans only while watching; turning it on scans at once.
    void setWatching(bool watching);
    bool isWatching() const { return timer_.isActive(); }

    // Reads /proc now and publishes a change.
    void rescan();

  Q_SIGNALS:
    void runningApplicationsChanged();

  private:
    QSet<QString> scan() const;

    QString procRoot_;
    uid_t uid_;
    QTimer timer_;
    QSet<QString> running_;
};

} // namespace meterix
