#include "refresh/FetchRunner.h"

#include "core/MeterixLog.h"
#include "core/WorkerStack.h"

#include <QCoreApplication>
#include <QPointer>

namespace meterix {

FetchRunner::FetchRunner(int threads, std::chrono::milliseconds threadExpiry,
                         std::function<void(AIProviderType)> again, QObject* parent)
    : QObject(parent), again_(std::move(again)) {
    pool_.setMaxThreadCount(std::max(1, threads));
    pool_.setStackSize(kWorkerStackBytes);
    // Threads end a few seconds after their last fetch, so the app at rest
    // keeps none (nor their stacks and malloc caches); a poll starts its dozen
    // anew, a cost of microseconds every 45 s. The app bounds malloc's arenas
    // at start, so new threads share the same two instead of each growing one.
    pool_.setExpiryTimeout(static_cast<int>(threadExpiry.count()));
}

FetchRunner::~FetchRunner() {
    pool_.waitForDone();
}

bool FetchRunner::join(AIProviderType provider, Done done) {
    const auto it = waiters_.find(provider);
    if (it == waiters_.end()) return false;
    if (done) it->append(std::move(done));
    return true;
}

void FetchRunner::start(AIProviderType provider, std::shared_ptr<AIProviderAdapter> adapter, bool forceSync,
                        Done done, std::function<bool()> allowed, Finish finish) {
    QList<Done> waiters;
    if (done) waiters.append(std::move(done));
    waiters_.insert(provider, std::move(waiters));
    QPointer<FetchRunner> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, provider, adapter = std::move(adapter), forceSync, allowed = std::move(allowed),
         finish = std::move(finish)] {
            if (!self) return;
            if (!allowed()) return self->end(provider);
            self->pool_.start([self, provider, adapter, forceSync, finish] {
                const Outcome outcome = fetch(*adapter, provider, forceSync);
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(),
                    [self, provider, outcome, finish] {
                        if (self) finish(provider, outcome);
                    },
                    Qt::QueuedConnection);
            });
        },
        Qt::QueuedConnection);
}

// The barrier around an adapter: whatever it throws ends as a failed fetch.
FetchRunner::Outcome FetchRunner::fetch(AIProviderAdapter& adapter, AIProviderType provider, bool forceSync) {
    Outcome outcome;
    try {
        outcome.snapshots = adapter.fetchUsagePerAccount(forceSync);
    } catch (...) {
        // Failures are values on the road; whatever still escapes an adapter
        // (out of memory, a fault of ours) is a failed fetch, and its text may
        // hold what the adapter read, so it is not logged.
        outcome.failed = true;
        qCWarning(logProvider, "Fetch of %s failed by an exception", qUtf8Printable(rawValue(provider)));
    }
    return outcome;
}

void FetchRunner::end(AIProviderType provider) {
    const QList<Done> waiters = waiters_.take(provider);
    for (const Done& w : waiters)
        if (w) w();
    if (retries_.remove(provider) && again_) again_(provider);
}

bool FetchRunner::retryAfterRunning(AIProviderType provider) {
    if (!isFetching(provider)) return false;
    retries_.insert(provider);
    return true;
}

void FetchRunner::run(std::function<void()> work) {
    pool_.start(std::move(work));
}

} // namespace meterix
