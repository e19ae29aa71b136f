#pragma once

#include "platform/DispatchQueue.h"

#include <QHash>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <limits>

class QSocketNotifier;
class QTimer;

namespace meterix {

// File-level change events below a set of folders, on inotify: the stand-in for
// a recursive FSEvents stream. Every folder below a root gets its own watch;
// folders that appear later are watched at once and what is already inside
// them is reported. Symbolic links below a root are not followed (a link to a
// folder could loop). The first event after a quiet spell is delivered at once,
// later ones are gathered per path for the latency and delivered together.
// The callback runs on the given queue; creation, modification, renaming and
// removal are reported alike, by path.
class FileEventStream {
  public:
    using Callback = std::function<void(const QStringList& paths)>;

    struct Options {
        std::chrono::milliseconds latency{300};
        // True for a folder whose whole subtree is of no interest: it is not
        // watched. Never asked about a root.
        std::function<bool(const QString& folder)> skipFolder;
        // The most watches this stream adds; reaching it is treated like the
        // system's own limit.
        int watchBudget = std::numeric_limits<int>::max();
        // Files reported from one folder that appeared while running.
        int maxReportedEntriesPerNewFolder = 4096;
    };

    FileEventStream(DispatchQueue& queue, QStringList rootFolders, Callback callback, Options options);
    FileEventStream(DispatchQueue& queue, QStringList rootFolders, Callback callback);
    ~FileEventStream();
    FileEventStream(const FileEventStream&) = delete;
    FileEventStream& operator=(const FileEventStream&) = delete;

    // Sets up the watches on the queue. False when inotify is not available;
    // true (and already started) otherwise, even when some folders could not be
    // watched.
    bool start();
    // No callback runs after this returns. Callable from any thread, but never
    // from inside the callback.
    void stop();

    // Folders watched now (for tests and diagnostics).
    int watchCount();
    // Whether the watch limit was hit since the last start.
    bool hitWatchLimit();

  private:
    void startOnQueue(bool& started);
    void stopOnQueue();
    void closeDescriptor();
    void readEvents();
    void flushPending();
    void report(const QStringList& paths);
    // Adds watches for folder and everything below it; entries (when given)
    // collects the paths found inside.
    void watchTree(const QString& folder, bool isRoot, QStringList* entries);
    void forgetTree(const QString& folder);
    bool addWatch(const QString& folder, bool isRoot);

    DispatchQueue& queue_;
    const QStringList roots_;
    const Callback callback_;
    const Options options_;

    // Touched only on the queue.
    int fd_ = -1;
    QPointer<QSocketNotifier> notifier_;
    QPointer<QTimer> latencyTimer_;
    QHash<int, QStringList> folders_; // watch descriptor -> the folder's paths
    QStringList pending_;
    QSet<QString> pendingSet_;
    int watchesAdded_ = 0;
    bool limitReached_ = false;
};

} // namespace meterix
