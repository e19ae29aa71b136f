#pragma once

#include "platform/DispatchQueue.h"

#include <QByteArray>
#include <QHash>
#include <QMultiHash>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <limits>

class QSocketNotifier;
class QTimer;

namespace meterix {

// File-level change events below a set of folders, recursively, on inotify
// (which watches one folder at a time). Every folder below a root gets its own watch;
// folders that appear later are watched at once and what is already inside
// them is reported. Symbolic links below a root are not followed (a link to a
// folder could loop). The first event after a quiet spell is delivered at once;
// for the latency that follows the descriptor is left unread, so the kernel
// merges repeated events of one file, and what gathered is delivered together.
// A folder is kept as its name below its parent's watch, so a large tree
// costs little memory.
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

  private:
    void startOnQueue(bool& started);
    void stopOnQueue();
    void closeDescriptor();
    // Reads what the kernel queued: the changed paths, each once.
    QStringList readEvents();
    void onReadable();
    void onLatencyElapsed();
    // Adds watches for folder and everything below it; parent is the watch
    // of the folder holding it (-1 for a root) and name its name there;
    // entries (when given) collects the paths found inside.
    void watchTree(const QString& folder, int parent, const QByteArray& name, QStringList* entries);
    void forgetTree(const QString& folder);
    // The watch of folder, with parent and name linking it into the tree;
    // -1 when it cannot be (or need not be) watched.
    int addWatch(const QString& folder, int parent, const QByteArray& name);
    // Every path a watch is reached by (more than one only where two roots
    // lead to the same folder).
    QStringList pathsOf(int wd) const;

    DispatchQueue& queue_;
    const QStringList roots_;
    const Callback callback_;
    const Options options_;

    // Touched only on the queue.
    int fd_ = -1;
    QPointer<QSocketNotifier> notifier_;
    QPointer<QTimer> latencyTimer_;
    // A watched folder: its name inside the parent watch's folder, or for a
    // root (parent -1) its whole path, in the file system's encoding.
    struct Link {
        int parent = -1;
        QByteArray name;
    };
    QHash<int, Link> folders_;           // watch descriptor -> how it was reached first
    QMultiHash<int, Link> extraLinks_;   // rare further ways to the same folder
    int watchesAdded_ = 0;
    bool limitReached_ = false;
};

} // namespace meterix
