#pragma once

#include "core/AIProviderAdapter.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QThreadPool>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace meterix {

// Runs the adapters' fetches on a pool of its own, at most one per provider: a
// request for a provider whose fetch is running waits for that fetch instead of
// starting another. A fetch counts as running from its start until its owner
// ends it (once its readings are filed). Lives on the GUI thread; every
// callback it is given runs there.
class FetchRunner : public QObject {
  public:
    using Done = std::function<void()>;
    struct Outcome {
        QList<UsageSnapshot> snapshots;
        bool failed = false;
    };
    using Finish = std::function<void(AIProviderType, const Outcome&)>;

    // again runs a provider's fetch anew once a retry asked for meanwhile is due.
    FetchRunner(int threads, std::chrono::milliseconds threadExpiry, std::function<void(AIProviderType)> again,
                QObject* parent = nullptr);
    ~FetchRunner() override;

    bool isFetching(AIProviderType provider) const { return waiters_.contains(provider); }
    // done runs when the provider's running fetch ends; false when none runs.
    bool join(AIProviderType provider, Done done);
    // Starts the provider's fetch in a later turn. allowed is asked again then
    // (the machine may have gone to sleep meanwhile): when it refuses, the fetch
    // ends unfetched. Otherwise finish receives what the adapter answered.
    void start(AIProviderType provider, std::shared_ptr<AIProviderAdapter> adapter, bool forceSync, Done done,
               std::function<bool()> allowed, Finish finish);
    // Ends the provider's fetch: its waiters run, then a retry asked for meanwhile.
    void end(AIProviderType provider);
    // Runs the provider again once its running fetch ends; false when none runs.
    bool retryAfterRunning(AIProviderType provider);
    // Other blocking work, on the same pool.
    void run(std::function<void()> work);
    bool waitForDone(int timeoutMs = -1) { return pool_.waitForDone(timeoutMs); }

  private:
    static Outcome fetch(AIProviderAdapter& adapter, AIProviderType provider, bool forceSync);

    std::function<void(AIProviderType)> again_;
    QHash<AIProviderType, QList<Done>> waiters_;
    QSet<AIProviderType> retries_;
    // Declared last: destroyed (and waited for) first.
    QThreadPool pool_;
};

} // namespace meterix
