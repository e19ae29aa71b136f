#include "refresh/InotifyFolderWatcher.h"

#include "core/MeterixLog.h"
#include "core/PathContainment.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"
#include "platform/FileEventStream.h"

#include <QTimer>

#include <algorithm>

namespace meterix {

namespace {

using AccountPath = AccountRegistry::ActivityPath;

bool containsAny(const QString& text, const QStringList& fragments) {
    return std::any_of(fragments.cbegin(), fragments.cend(),
                       [&](const QString& f) { return text.contains(f); });
}

// A folder is left unwatched when every watched root that holds it would ignore
// any path below it by its blacklists alone: the filter would drop each of its
// events before looking at the file, so the watches would only spend the
// user's inotify budget.
std::function<bool(const QString&)> ignoredFolderTest(const QList<InotifyFolderWatcher::WatchedPath>& watched,
                                                      const QList<ProviderFilterRule>& rules,
                                                      const QStringList& globalSubpaths) {
    struct Scope {
        QString root;
        QStringList blacklist;
    };
    QList<Scope> scopes;
    for (const InotifyFolderWatcher::WatchedPath& entry : watched) {
        Scope scope{entry.path, {}};
        for (const ProviderFilterRule& rule : rules)
            if (rule.provider == entry.provider) scope.blacklist = rule.pathBlacklist;
        scopes.append(scope);
    }
    return [scopes, globalSubpaths](const QString& folder) {
        const QString below = folder + QLatin1Char('/');
        bool held = false;
        for (const Scope& scope : scopes) {
            if (!isSameOrInsideFolder(folder, scope.root)) continue;
            held = true;
            if (!containsAny(below, globalSubpaths) && !containsAny(below, scope.blacklist)) return false;
        }
        return held;
    };
}

QString describe(const QSet<ActivitySignal>& signalSet) {
    QList<ActivitySignal> sorted(signalSet.cbegin(), signalSet.cend());
    std::sort(sorted.begin(), sorted.end(), [](const ActivitySignal& a, const ActivitySignal& b) {
        if (a.provider != b.provider) return a.provider < b.provider;
        return a.accountID.value_or(QString()) < b.accountID.value_or(QString());
    });
    QStringList parts;
    for (const ActivitySignal& s : sorted) {
        QString text = rawValue(s.provider);
        if (s.accountID) text += QLatin1Char('/') + MeterixLog::priv(firstCharacters(*s.accountID, 8));
        parts.append(text);
    }
    return parts.join(QLatin1String(", "));
}

} // namespace

InotifyFolderWatcher::InotifyFolderWatcher(DispatchQueue& queue, AIActivityRuleRegistry& ruleRegistry,
                                           const Clock& clock, QString home)
    : home_(std::move(home)), ruleRegistry_(ruleRegistry), queue_(queue), filterEngine_(ruleRegistry, clock) {
    queue_.sync([this] {
        // Started by the first signal of an interval, so an idle watcher never wakes.
        auto* timer = new QTimer(queue_.context());
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(kCollectionInterval);
        QObject::connect(timer, &QTimer::timeout, timer, [this] { dispatchCollected(); });
        collectionTimer_ = timer;
    });
}

InotifyFolderWatcher::~InotifyFolderWatcher() {
    // The queue goes on without the watcher: nothing of it may fire there later.
    // Jobs posted before (a start) have run once this returns.
    queue_.sync([this] {
        stopOnQueue();
        delete collectionTimer_.data();
    });
}

void InotifyFolderWatcher::startWatching(ChangeHandler handler) {
    // Setting up the watches walks every folder below the roots (tens of
    // thousands in a large home): the caller, the GUI thread, never waits for it.
    queue_.post([this, handler = std::move(handler)]() mutable { startOnQueue(std::move(handler)); });
}

void InotifyFolderWatcher::stop() {
    queue_.sync([this] { stopOnQueue(); });
}

void InotifyFolderWatcher::startOnQueue(ChangeHandler handler) {
    stopOnQueue();
    changeHandler_ = std::move(handler);

    const QString home = home_.isEmpty() ? homeFolder() : home_;
    const QList<ProviderFilterRule> rules = ruleRegistry_.allRules();
    watchedPathsMap_.clear();
    for (const ProviderFilterRule& rule : rules) {
        for (const QString& root : rule.relativeRootPaths) {
            const QString path = root.startsWith(QLatin1Char('/')) ? root : joinPath(home, root);
            if (isDirectory(path)) watchedPathsMap_.append({path, rule.provider});
        }
    }

    qCInfo(logWatcher, "Monitoring %ld active paths", static_cast<long>(watchedPathsMap_.size()));
    for (const WatchedPath& entry : watchedPathsMap_)
        qCInfo(logWatcher, "Watching %s for %s", qUtf8Printable(entry.path),
               qUtf8Printable(rawValue(entry.provider)));
    if (watchedPathsMap_.isEmpty()) {
        qCInfo(logWatcher, "No candidate directory paths exist to watch");
        return;
    }

    QStringList folders;
    for (const WatchedPath& entry : watchedPathsMap_)
        folders.append(entry.path);
    FileEventStream::Options options;
    options.latency = kStreamLatency;
    options.skipFolder =
        ignoredFolderTest(watchedPathsMap_, rules, ruleRegistry_.globalBlacklistedSubpaths());
    auto stream = std::make_unique<FileEventStream>(
        queue_, folders, [this](const QStringList& paths) { handleEvents(paths); }, options);
    if (!stream->start()) return;
    eventStream_ = std::move(stream);
    qCInfo(logWatcher, "inotify watch started on %lld folder(s)", qlonglong(folders.size()));
}

void InotifyFolderWatcher::stopOnQueue() {
    if (!eventStream_) return;
    eventStream_.reset();
    qCInfo(logWatcher, "inotify watch stopped");
}

void InotifyFolderWatcher::handleEvents(const QStringList& paths) {
    for (const QString& path : paths) {
        AIActivityFilterEngine::Tail tail(path); // read once, whichever roots look at it
        // Every root holding the path is tried until one dispatches, so a path
        // under two roots of one provider may count twice toward its burst.
        for (const WatchedPath& entry : std::as_const(watchedPathsMap_)) {
            if (!isSameOrInsideFolder(path, entry.path)) continue;
            const AIActivityFilterEngine::BurstDecision decision =
                filterEngine_.shouldDispatchBurst(entry.provider, path, tail);
            if (decision.dispatch) {
                const std::optional<QString> accountID = resolveAccount(entry.provider, path);
                qCDebug(logWatcher, "[%s] %s", qUtf8Printable(rawValue(entry.provider)),
                        qUtf8Printable(decision.reason()));
                send(ActivitySignal{entry.provider, accountID});
                break;
            }
            qCDebug(logWatcher, "[%s] Filtered: %s -> %s",
                    qUtf8Printable(MeterixLog::priv(rawValue(entry.provider))),
                    qUtf8Printable(MeterixLog::priv(decision.reason())),
                    qUtf8Printable(MeterixLog::priv(path)));
        }
    }
}

std::optional<QString> InotifyFolderWatcher::resolveAccount(AIProviderType provider,
                                                       const QString& eventPath) const {
    return accountPaths_.withValue([&](const QList<AccountPath>& accounts) -> std::optional<QString> {
        for (const AccountPath& account : accounts)
            if (account.provider == provider && isSameOrInsideFolder(eventPath, account.path))
                return account.accountID;
        return std::nullopt;
    });
}

void InotifyFolderWatcher::updateAccountPaths(const QList<AccountPath>& paths) {
    QList<AccountPath> kept;
    for (AccountPath entry : paths) {
        while (entry.path.endsWith(QLatin1Char('/')))
            entry.path.chop(1);
        // An empty folder (or "/") would claim every event of its provider and
        // a relative one matches nothing real: neither is an account folder.
        if (!entry.path.startsWith(QLatin1Char('/'))) continue;
        kept.append(std::move(entry));
    }
    std::stable_sort(kept.begin(), kept.end(), [](const AccountPath& a, const AccountPath& b) {
        return a.path.size() > b.path.size();
    });
    accountPaths_.set(std::move(kept));
}

void InotifyFolderWatcher::send(const ActivitySignal& signal) {
    collected_.append(signal);
    if (collectionTimer_ && !collectionTimer_->isActive()) collectionTimer_->start();
}

void InotifyFolderWatcher::dispatchCollected() {
    if (collected_.isEmpty()) return;
    const QSet<ActivitySignal> signalSet(collected_.cbegin(), collected_.cend());
    collected_.clear();
    qCDebug(logWatcher, "Streaming activity dispatched for: %s", qUtf8Printable(describe(signalSet)));
    // A copy: the handler may restart the watcher and replace changeHandler_.
    if (const ChangeHandler handler = changeHandler_) handler(signalSet);
}

} // namespace meterix
