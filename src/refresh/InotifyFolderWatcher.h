#pragma once

#include "accounts/AccountRegistry.h"
#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/Locked.h"
#include "platform/DispatchQueue.h"
#include "refresh/AIActivityFilterEngine.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/ActivitySignal.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QTimer;

namespace meterix {

class FileEventStream;

// Turns file-system changes in the AI tools' folders into activity signals.
// One file-event stream covers every rule folder that exists at start; each
// changed path goes through the activity filter, a qualifying change is
// attributed to the account whose folder holds it, and signals are handed over
// in sets, one per 600-ms interval that saw any. Everything from the stream to
// the hand-over runs on the queue handed in, which must outlive the watcher.
class InotifyFolderWatcher {
  public:
    // Called on the watcher's queue; it must hop to the GUI thread itself and
    // must never wait for it.
    using ChangeHandler = std::function<void(const QSet<ActivitySignal>&)>;

    struct WatchedPath {
        QString path;
        AIProviderType provider{};
    };

    static constexpr std::chrono::milliseconds kStreamLatency{300};
    static constexpr std::chrono::milliseconds kCollectionInterval{600};

    // home: the folder relative rule roots are taken from; empty means the
    // user's home folder at each start.
    InotifyFolderWatcher(DispatchQueue& queue, AIActivityRuleRegistry& ruleRegistry,
                         const Clock& clock = Clock::system(), QString home = {});
    ~InotifyFolderWatcher();
    InotifyFolderWatcher(const InotifyFolderWatcher&) = delete;
    InotifyFolderWatcher& operator=(const InotifyFolderWatcher&) = delete;

    // (Re)starts the stream over the rule folders that exist now; later batches
    // go to handler only. Returns at once: the folders are watched by a job on
    // the queue, which logs each one.
    void startWatching(ChangeHandler handler);
    void stop();
    // Replaces the account folders used for attribution (the account
    // registry's activityPaths()). Any thread.
    void updateAccountPaths(const QList<AccountRegistry::ActivityPath>& paths);

  private:
    void startOnQueue(ChangeHandler handler);
    void stopOnQueue();
    void handleEvents(const QStringList& paths);
    std::optional<QString> resolveAccount(AIProviderType provider, const QString& eventPath) const;
    void send(const ActivitySignal& signal);
    void dispatchCollected();

    const QString home_;
    AIActivityRuleRegistry& ruleRegistry_;
    DispatchQueue& queue_;

    // Touched only on the queue.
    std::unique_ptr<FileEventStream> eventStream_;
    QList<WatchedPath> watchedPathsMap_;
    ChangeHandler changeHandler_;
    QPointer<QTimer> collectionTimer_;
    QList<ActivitySignal> collected_;
    AIActivityFilterEngine filterEngine_;

    // Written from any thread, read on the queue; longest path first.
    mutable Locked<QList<AccountRegistry::ActivityPath>> accountPaths_;
};

} // namespace meterix
