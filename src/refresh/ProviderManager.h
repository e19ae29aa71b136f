#pragma once

#include "core/AIProviderAdapter.h"
#include "core/Clock.h"
#include "refresh/AccountFiling.h"
#include "refresh/ActivityPresence.h"
#include "refresh/ActivitySignal.h"
#include "refresh/FetchRunner.h"
#include "refresh/RefreshSchedule.h"
#include "refresh/SnapshotFiler.h"
#include "core/TimerSource.h"
#include "refresh/UsageCollectionPolicy.h"
#include "refresh/ZeroConfigScanner.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>

#include <functional>
#include <memory>
#include <optional>

namespace meterix {

class AccountRegistry;
struct AccountSource;
class AccountUsageStore;
class AIActivityRuleRegistry;
class InotifyFolderWatcher;
class MeterixPreferences;
class PowerMonitor;
class ProbeGate;
class RunningApplications;
struct ResolvedAccount;

// The one object the views read usage from: it owns the adapters, decides which
// providers are active and detected, refreshes them (on a 45 s poll, on demand,
// on activity, on selection), files the readings per account and publishes the
// result. Lives on the GUI thread. It is made of parts, each with its own
// state: RefreshSchedule decides when a provider may be fetched, FetchRunner
// runs the fetches on its pool and holds their waiters, SnapshotFiler files
// the readings and keeps the shown ones, ActivityPresence knows who is at
// work; the manager carries the commands and ties the parts together.
class ProviderManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isRefreshing READ isRefreshing NOTIFY changed)

  public:
    enum class RefreshTrigger { userAction, activity };
    using Done = std::function<void()>;
    using Adapters = QList<std::shared_ptr<AIProviderAdapter>>;

    struct Dependencies {
        Adapters adapters;
        AccountRegistry* accountRegistry = nullptr; // required
        AccountUsageStore* usageStore = nullptr;    // required
        MeterixPreferences* preferences = nullptr;  // required
        InotifyFolderWatcher* watcher = nullptr;
        AIActivityRuleRegistry* ruleRegistry = nullptr;
        RunningApplications* runningApplications = nullptr;
        // The probe gate the adapters ask: a provider whose probe it declined
        // for want of the slot is refreshed again as soon as the slot frees.
        ProbeGate* probeGate = nullptr;
        PowerMonitor* powerMonitor = nullptr;
        const Clock* clock = &Clock::system();
        TimerSource* timers = nullptr; // a QtTimerSource of our own when absent
        std::function<bool()> isLidClosed;
        std::function<bool()> isDocked;
        QString home; // the user's home when empty
        int poolThreads = 16;
        // How long an adapter thread waits idle for the next fetch before it ends.
        std::chrono::milliseconds poolThreadExpiry{5000};
    };

    static constexpr double minCooldownInterval = RefreshSchedule::minCooldownInterval;
    static constexpr double onDemandFloor = RefreshSchedule::onDemandFloor;
    static constexpr double inUseSettleSeconds = RefreshSchedule::inUseSettleSeconds;
    static constexpr std::chrono::milliseconds pollInterval = RefreshSchedule::pollInterval;

    // With startMonitoring false only the state is built: nothing is watched,
    // scanned or polled.
    ProviderManager(Dependencies dependencies, bool startMonitoring, QObject* parent = nullptr);
    ~ProviderManager() override;

    // MARK: published state
    const QHash<AIProviderType, UsageSnapshot>& snapshots() const { return filer_.snapshots(); }
    const QHash<AIProviderType, QMap<QString, UsageSnapshot>>& accountSnapshots() const {
        return filer_.accountSnapshots();
    }
    const QSet<RunningKey>& runningAccounts() const { return presence_.runningAccounts(); }
    const QSet<RunningKey>& runningAppAccounts() const { return presence_.runningAppAccounts(); }
    const QList<AIProviderType>& activeProviders() const { return activeProviders_; }
    const QSet<AIProviderType>& detectedProviders() const { return detectedProviders_; }
    const QSet<AIProviderType>& activeInUseProviders() const { return presence_.inUseProviders(); }
    bool isRefreshing() const { return runningRefreshAlls_ > 0; }

    // MARK: commands (GUI thread; `done` runs when the work has finished)
    void refreshAll(bool forceSync, Done done = {});
    void refreshProvider(AIProviderType provider, bool forceSync, Done done = {});
    void refreshOnDemand(const QList<AIProviderType>& providers, RefreshTrigger trigger, Done done = {});
    void toggleProvider(AIProviderType provider);
    // The bar opened the provider's card: its reading is fetched now, past the
    // cooldowns, even when the card was open already.
    void providerSelected(AIProviderType provider);
    void rescanAccounts(Done done = {});

    // Stops timers, the watcher and new fetches, and waits up to timeoutMs for
    // fetches in flight. Called when the app quits. False when some fetch was
    // still running at the end of the wait.
    bool shutdown(int timeoutMs);

    // MARK: queries
    QList<ResolvedAccount> accounts(AIProviderType provider) const;
    std::optional<UsageSnapshot> snapshot(AIProviderType provider, const QString& accountID) const;
    std::optional<UsageSnapshot> bestKnownSnapshot(AIProviderType provider, const QString& accountID) const;
    std::optional<ResolvedAccount> displayedAccount(AIProviderType provider) const;
    // Why a refresh of the provider asked for now would not read anything anew,
    // and from when it would: its last fetch's cooldown, or the floor of its
    // command-line probe. Nothing when it can read now, or reads already.
    struct ReadWait {
        enum class Why { cooldown, probeFloor };
        Why why = Why::cooldown;
        QDateTime until;
        bool operator==(const ReadWait&) const = default;
    };
    std::optional<ReadWait> readWait(AIProviderType provider) const;
    // The refresh buttons' command: reads the provider anew unless readWait
    // says it cannot yet; then nothing starts and done runs at once.
    void refreshByUser(AIProviderType provider, Done done = {});
    bool isAccountRunning(AIProviderType provider, const QString& accountID) const;
    bool isProviderDetected(AIProviderType provider) const;
    bool isAppRunning(AIProviderType provider) const;
    QList<AccountSource> runningApps(const ResolvedAccount& account) const;

    // MARK: activity (the watcher's sets arrive here on the GUI thread)
    void handleActivity(const QSet<ActivitySignal>& signals_);
    void markInUse(const ActivitySignal& signal);
    void refreshRunningApps();
    void registerAlternateProfilePaths();

    // MARK: sleep and wake
    void handleWillSleep();
    void handleDidWake();

    // MARK: filing (one fetch's readings)
    void apply(QList<UsageSnapshot> fetched, AIProviderType provider);
    void refreshRepresentative(AIProviderType provider);

  Q_SIGNALS:
    // Some published field above changed (sent once per change, after it is
    // made). Every view observes the published state through this one signal,
    // so a new field needs no signal of its own.
    void changed();
    // The start-up sequence has run to its end (the poll is armed).
    void startUpFinished();

  private:
    void registerAdapter(const std::shared_ptr<AIProviderAdapter>& adapter);
    void runStartUp();
    // Start-up's steps: the tools found take their adapters (and, until the
    // user chose, the bar); once they are read, activity is watched.
    void adoptAvailable(const Adapters& available);
    void startMonitoringActivity();
    void startPeriodicPolling();
    void refreshProviderImpl(AIProviderType provider, bool forceSync, bool ignoreCooldown, Done done);
    void refreshAllImpl(bool forceSync, Done done);
    void finishFetch(AIProviderType provider, const FetchRunner::Outcome& outcome);
    void retryDeclinedProbes(const QStringList& keys);
    void rescanRegistry(Done then);
    void updateWatcherAccountPaths();
    void updateRunningAppsWatching();
    void setActiveProviders(const QList<AIProviderType>& providers);
    bool allowsCollection() const { return schedule_.allowsCollection(); }

    Dependencies deps_;
    ZeroConfigScanner scanner_;
    // The parts: when to fetch, who is at work, what was filed, and (last,
    // destroyed and waited for first) the fetches themselves.
    RefreshSchedule schedule_;
    ActivityPresence presence_;
    SnapshotFiler filer_;

    QHash<AIProviderType, std::shared_ptr<AIProviderAdapter>> adapters_;
    QList<AIProviderType> activeProviders_;
    QSet<AIProviderType> detectedProviders_;
    int runningRefreshAlls_ = 0;

    bool accepting_ = true;
    bool monitoring_ = false;

    // Declared last: destroyed (and waited for) first.
    FetchRunner fetches_;
};

} // namespace meterix
