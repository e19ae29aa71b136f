#include "refresh/ProviderManager.h"

#include "accounts/AccountFileReader.h"
#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "accounts/ResolvedAccount.h"
#include "core/L10n.h"
#include "core/MeterixLog.h"
#include "core/MeterixPreferences.h"
#include "core/Paths.h"
#include "platform/PowerMonitor.h"
#include "platform/RunningApplications.h"
#include "providers/ProbeGate.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/InotifyFolderWatcher.h"

#include <QCoreApplication>
#include <QPointer>

#include <cmath>

namespace meterix {

namespace {

ProviderManager* sharedManager = nullptr;

// Runs `then` once `count` completions have been reported.
std::function<void()> countdown(int count, std::function<void()> then) {
    if (count <= 0) {
        if (then) then();
        return [] {};
    }
    auto left = std::make_shared<int>(count);
    return [left, then = std::move(then)] {
        if (--*left == 0 && then) then();
    };
}

} // namespace

ProviderManager::ProviderManager(Dependencies dependencies, bool startMonitoring, QObject* parent)
    : QObject(parent), deps_(std::move(dependencies)), scanner_(deps_.adapters),
      schedule_(deps_.timers, *deps_.clock, deps_.isLidClosed, deps_.isDocked),
      fetches_(deps_.poolThreads, deps_.poolThreadExpiry,
               [this](AIProviderType p) { refreshProviderImpl(p, false, true, {}); }) {
    Q_ASSERT(deps_.accountRegistry && deps_.usageStore && deps_.preferences);
    if (deps_.home.isEmpty()) deps_.home = homeFolder();

    for (const auto& adapter : deps_.adapters)
        registerAdapter(adapter);

    const auto stored = deps_.preferences->enabledProviders();
    activeProviders_ = stored && !stored->isEmpty()
                           ? *stored
                           : QList<AIProviderType>{AIProviderType::claudeCode, AIProviderType::openAICodex,
                                                   AIProviderType::antigravity};

    const QDateTime now = deps_.clock->now();
    for (AIProviderType p : allProviderTypes())
        snapshots_.insert(p, UsageSnapshot::simulatedFallback(p, now));

    // Every completed scan moves the watcher's account folders along, whoever
    // asked for it (a fetch, the user, start-up).
    connect(deps_.accountRegistry, &AccountRegistry::accountsByProviderChanged, this, [this] {
        updateWatcherAccountPaths();
        updateRunningAppsWatching();
    });

    if (deps_.probeGate) {
        QPointer<ProviderManager> self(this);
        // Called on the pool thread whose probe just ended.
        deps_.probeGate->setSlotFreedHandler([self](const QStringList& keys) {
            if (QCoreApplication* app = QCoreApplication::instance())
                QMetaObject::invokeMethod(
                    app,
                    [self, keys] {
                        if (self) self->retryDeclinedProbes(keys);
                    },
                    Qt::QueuedConnection);
        });
    }

    if (!startMonitoring) return;
    monitoring_ = true;
    if (deps_.powerMonitor) {
        connect(deps_.powerMonitor, &PowerMonitor::willSleep, this, &ProviderManager::handleWillSleep);
        connect(deps_.powerMonitor, &PowerMonitor::didWake, this, &ProviderManager::handleDidWake);
    }
    QMetaObject::invokeMethod(
        this, [this] { runStartUp(); }, Qt::QueuedConnection);
}

ProviderManager::~ProviderManager() {
    if (deps_.probeGate) deps_.probeGate->setSlotFreedHandler({});
    accepting_ = false;
    fetches_.waitForDone();
    if (sharedManager == this) sharedManager = nullptr;
}

ProviderManager& ProviderManager::shared() {
    Q_ASSERT(sharedManager);
    return *sharedManager;
}

void ProviderManager::setShared(ProviderManager* manager) {
    sharedManager = manager;
}

void ProviderManager::registerAdapter(const std::shared_ptr<AIProviderAdapter>& adapter) {
    if (adapter) adapters_.insert(adapter->type(), adapter);
}

// MARK: start-up

void ProviderManager::runStartUp() {
    QPointer<ProviderManager> self(this);
    deps_.accountRegistry->refreshAccounts(std::nullopt, [self] {
        if (!self || !self->accepting_) return;
        // Availability checks block (files, processes): one after another, off
        // the GUI thread.
        auto scanner = std::make_shared<ZeroConfigScanner>(self->scanner_);
        self->fetches_.run([self, scanner] {
            const auto available = scanner->scanAvailableProviders();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, available] {
                    if (!self || !self->accepting_) return;
                    QSet<AIProviderType> detected;
                    for (const auto& adapter : available) {
                        self->registerAdapter(adapter);
                        detected.insert(adapter->type());
                    }
                    if (detected != self->detectedProviders_) {
                        self->detectedProviders_ = detected;
                        Q_EMIT self->changed();
                    }
                    MeterixPreferences& prefs = *self->deps_.preferences;
                    if (!prefs.enabledProviders() || !prefs.hasCustomizedProviders()) {
                        QList<AIProviderType> chosen;
                        for (AIProviderType p : allProviderTypes())
                            if (detected.contains(p)) chosen.append(p);
                        if (!chosen.isEmpty()) {
                            self->setActiveProviders(chosen);
                            prefs.setEnabledProviders(chosen);
                        }
                    }
                    self->refreshAll(true, [self] {
                        if (!self || !self->accepting_) return;
                        self->registerAlternateProfilePaths();
                        if (self->deps_.watcher) {
                            self->updateWatcherAccountPaths();
                            QPointer<ProviderManager> weak(self);
                            self->deps_.watcher->startWatching([weak](const QSet<ActivitySignal>& signals_) {
                                // On the watcher's thread: hop over, never wait.
                                QMetaObject::invokeMethod(
                                    QCoreApplication::instance(),
                                    [weak, signals_] {
                                        if (weak) weak->handleActivity(signals_);
                                    },
                                    Qt::QueuedConnection);
                            });
                        }
                        if (self->deps_.runningApplications) {
                            connect(self->deps_.runningApplications,
                                    &RunningApplications::runningApplicationsChanged, self,
                                    &ProviderManager::refreshRunningApps);
                            self->updateRunningAppsWatching();
                        }
                        self->refreshRunningApps();
                        self->startPeriodicPolling();
                        Q_EMIT self->startUpFinished();
                    });
                },
                Qt::QueuedConnection);
        });
    });
}

// MARK: polling, sleep and wake

void ProviderManager::startPeriodicPolling() {
    schedule_.startPolling([this] { refreshAll(false); });
}

void ProviderManager::stopPeriodicPolling() {
    schedule_.stopPolling();
}

void ProviderManager::handleWillSleep() {
    schedule_.markAsleep();
}

void ProviderManager::handleDidWake() {
    schedule_.markAwake();
    if (accepting_ && monitoring_) startPeriodicPolling();
}

// MARK: refresh commands

void ProviderManager::refreshAll(bool forceSync, Done done) {
    refreshAllImpl(forceSync, false, std::move(done));
}

void ProviderManager::refreshAllForNewLanguage() {
    refreshAllImpl(false, true, {});
}

void ProviderManager::refreshAllImpl(bool forceSync, bool ignoreCooldown, Done done) {
    if (!accepting_ || !allowsCollection()) {
        if (done) done();
        return;
    }
    if (++runningRefreshAlls_ == 1) Q_EMIT changed();
    QPointer<ProviderManager> self(this);
    const QList<AIProviderType> providers = activeProviders_;
    auto childDone = countdown(static_cast<int>(providers.size()), [self, done] {
        if (self && --self->runningRefreshAlls_ == 0) Q_EMIT self->changed();
        if (done) done();
    });
    for (AIProviderType p : providers)
        refreshProviderImpl(p, forceSync, ignoreCooldown, childDone);
}

void ProviderManager::refreshProvider(AIProviderType provider, bool forceSync, Done done) {
    refreshProviderImpl(provider, forceSync, false, std::move(done));
}

void ProviderManager::refreshProviderImpl(AIProviderType provider, bool forceSync, bool ignoreCooldown,
                                          Done done) {
    auto finish = [&] {
        if (done) done();
    };
    if (!accepting_ || !allowsCollection()) return finish();
    if (fetches_.join(provider, done)) return;
    const auto adapter = adapters_.value(provider);
    if (!adapter) return finish();
    if (!forceSync && !ignoreCooldown && schedule_.isCoolingDown(provider)) return finish();
    qCDebug(logProvider, "Fetching usage for %s", qUtf8Printable(rawValue(provider)));
    schedule_.stampFetch(provider);
    fetches_.start(
        provider, adapter, forceSync, std::move(done), [this] { return accepting_ && allowsCollection(); },
        [this](AIProviderType p, const FetchRunner::Outcome& outcome) { finishFetch(p, outcome); });
}

void ProviderManager::finishFetch(AIProviderType provider, const FetchRunner::Outcome& outcome) {
    QPointer<ProviderManager> self(this);
    if (outcome.failed) {
        const QString text = outcome.errorDescription.value_or(L10n::errorRefreshFailed().text());
        qCCritical(logProvider, "Fetch failed for %s: %s", qUtf8Printable(rawValue(provider)),
                   qUtf8Printable(text));
        handleFetchFailure(provider, outcome.errorDescription, [self, provider] {
            if (self) self->fetches_.end(provider);
        });
        return;
    }
    discoverAccountsBeforeFiling(outcome.snapshots, provider, [self, provider, outcome] {
        if (!self) return;
        self->apply(outcome.snapshots, provider);
        qCDebug(logProvider, "Updated %lld snapshot(s) for %s",
                static_cast<long long>(outcome.snapshots.size()), qUtf8Printable(rawValue(provider)));
        self->fetches_.end(provider);
    });
}

void ProviderManager::retryDeclinedProbes(const QStringList& keys) {
    QSet<AIProviderType> providers;
    for (const QString& key : keys)
        if (const auto p = ProbeGate::providerOfKey(key)) providers.insert(*p);
    for (AIProviderType p : allProviderTypes()) {
        if (!providers.contains(p)) continue;
        qCDebug(logProvider, "Probe slot free: refreshing %s again", qUtf8Printable(rawValue(p)));
        // The fetch that was declined may not have been filed yet: the next one
        // follows it. Either way the manager's cooldown, stamped by the declined
        // fetch, does not hold this one back.
        if (!fetches_.retryAfterRunning(p)) refreshProviderImpl(p, false, true, {});
    }
}

void ProviderManager::handleFetchFailure(AIProviderType provider,
                                         const std::optional<QString>& errorDescription, Done done) {
    QPointer<ProviderManager> self(this);
    rescanRegistry([self, provider, errorDescription, done] {
        if (self) {
            QSet<QString> ids;
            for (const ResolvedAccount& a : self->deps_.accountRegistry->accounts(provider))
                ids.insert(a.id);
            UsageSnapshot shown = self->snapshots_.value(provider);
            if (shown.accountID && !ids.contains(*shown.accountID)) {
                // The shown account is gone: show a placeholder for whoever is
                // signed in now instead of an error.
                if (auto it = self->accountSnapshots_.find(provider); it != self->accountSnapshots_.end()) {
                    it->remove(*shown.accountID);
                    Q_EMIT self->changed();
                }
                UsageSnapshot placeholder =
                    UsageSnapshot::simulatedFallback(provider, self->deps_.clock->now());
                if (auto attribution = self->deps_.accountRegistry->attributionAccount(provider))
                    placeholder.accountID = attribution->id;
                self->setSnapshot(provider, placeholder);
            } else if (AccountFiling::hasData(shown)) {
                // A reading without figures and without a reason is no data: it
                // gets no error text, like a reading that names its reason.
                shown.fetchError = errorDescription.value_or(L10n::errorRefreshFailed().text());
                self->setSnapshot(provider, shown);
            }
        }
        if (done) done();
    });
}

void ProviderManager::refreshOnDemand(const QList<AIProviderType>& providers, RefreshTrigger trigger,
                                      Done done) {
    if (!accepting_ || !allowsCollection()) {
        if (done) done();
        return;
    }
    QList<AIProviderType> known;
    for (AIProviderType p : providers)
        if (adapters_.contains(p)) known.append(p);
    QPointer<ProviderManager> self(this);
    const QList<AIProviderType> due = schedule_.takeDueOnDemand(known, [self, trigger](AIProviderType p) {
        if (self) self->refreshOnDemand({p}, trigger);
    });
    if (due.isEmpty()) {
        if (done) done();
        return;
    }
    auto childDone = countdown(static_cast<int>(due.size()), std::move(done));
    for (AIProviderType p : due)
        refreshProvider(p, true, childDone);
}

void ProviderManager::toggleProvider(AIProviderType provider) {
    QList<AIProviderType> list = activeProviders_;
    if (list.contains(provider)) {
        if (list.size() >= 2) list.removeAll(provider);
    } else {
        list.append(provider);
        refreshProvider(provider, false);
    }
    setActiveProviders(list);
    deps_.preferences->setEnabledProviders(activeProviders_);
}

void ProviderManager::setSelectedProvider(std::optional<AIProviderType> provider) {
    if (provider != selectedProvider_) {
        selectedProvider_ = provider;
        Q_EMIT changed();
    }
    if (provider) refreshProvider(*provider, true);
}

void ProviderManager::rescanAccounts(Done done) {
    QPointer<ProviderManager> self(this);
    rescanRegistry([self, done] {
        if (self) {
            self->updateWatcherAccountPaths();
            self->refreshRunningApps();
        }
        if (done) done();
    });
}

void ProviderManager::rescanRegistry(Done then) {
    deps_.accountRegistry->refreshAccounts(std::nullopt, std::move(then));
}

void ProviderManager::shutdown(int timeoutMs) {
    accepting_ = false;
    schedule_.stop();
    if (deps_.watcher) deps_.watcher->stop();
    if (deps_.runningApplications) deps_.runningApplications->setWatching(false);
    fetches_.waitForDone(timeoutMs);
}

// MARK: filing

void ProviderManager::discoverAccountsBeforeFiling(const QList<UsageSnapshot>& fetched,
                                                   AIProviderType provider, Done then) {
    QSet<QString> known;
    for (const ResolvedAccount& a : deps_.accountRegistry->accounts(provider))
        known.insert(a.id);
    bool needed = fetched.isEmpty() && !known.isEmpty();
    for (const UsageSnapshot& s : fetched)
        if (s.accountID && !known.contains(*s.accountID)) needed = true;
    if (needed)
        rescanRegistry(std::move(then));
    else
        then();
}

void ProviderManager::apply(QList<UsageSnapshot> fetched, AIProviderType provider) {
    const auto adapter = adapters_.value(provider);
    const std::optional<QString> fingerprint = adapter ? adapter->credentialFingerprint() : std::nullopt;
    AccountRegistry& registry = *deps_.accountRegistry;
    for (UsageSnapshot& s : fetched) {
        s.credentialFingerprint = fingerprint;
        if (provider == AIProviderType::openAICodex && !s.accountID) continue;
        const auto account =
            s.accountID ? registry.account(provider, *s.accountID) : registry.attributionAccount(provider);
        if (!account) continue;
        if (!s.accountID) s.accountID = account->id;
        if (!s.sourceID && !account->sources.isEmpty()) {
            const auto primary = registry.primarySourceID(provider);
            const AccountSource* chosen = &account->sources.first();
            if (primary)
                for (const AccountSource& src : account->sources)
                    if (src.id == *primary) {
                        chosen = &src;
                        break;
                    }
            s.sourceID = chosen->id;
        }
        if (!s.accountEmail) s.accountEmail = account->email;
        if (!s.planName) s.planName = account->planName;
    }

    QSet<QString> known;
    for (const ResolvedAccount& a : registry.accounts(provider))
        known.insert(a.id);
    AccountUsageStore* store = deps_.usageStore;
    const auto result = AccountFiling::merged(
        fetched, accountSnapshots_.value(provider), known, registry.lastScanDate().isValid(),
        [store, provider](const QString& id) { return store->snapshot(provider, id); });
    for (const UsageSnapshot& s : result.recorded)
        store->record(s);

    if (result.unattributed) {
        const auto current = snapshots_.constFind(provider);
        if (current == snapshots_.constEnd() ||
            AccountFiling::unattributedReplaces(*result.unattributed, *current))
            setSnapshot(provider, *result.unattributed);
    }
    if (accountSnapshots_.value(provider) != result.byAccount || !accountSnapshots_.contains(provider)) {
        accountSnapshots_.insert(provider, result.byAccount);
        Q_EMIT changed();
    }
    if (!result.byAccount.isEmpty()) refreshRepresentative(provider);
    noteUnregisteredAccounts(result.reported, provider);
}

void ProviderManager::refreshRepresentative(AIProviderType provider) {
    const auto it = accountSnapshots_.constFind(provider);
    if (it == accountSnapshots_.constEnd()) return;
    if (auto best =
            AccountFiling::representativeSnapshot(provider, *it, runningAccounts_, runningAppAccounts_))
        setSnapshot(provider, *best);
}

void ProviderManager::noteUnregisteredAccounts(const QSet<QString>& reported, AIProviderType provider) {
    QSet<QString> listed;
    for (const ResolvedAccount& a : deps_.accountRegistry->accounts(provider))
        listed.insert(a.id);
    const QSet<QString> missing = reported - listed;
    if (missing.isEmpty()) return;
    if (pendingRescanAccounts_.value(provider) == missing && pendingRescanAccounts_.contains(provider))
        return;
    pendingRescanAccounts_.insert(provider, missing);
    qCDebug(logProvider, "[%s] fetch reported %lld unlisted account(s); rescanning",
            qUtf8Printable(rawValue(provider)), static_cast<long long>(missing.size()));
    QPointer<ProviderManager> self(this);
    rescanRegistry([self, provider] {
        if (self) self->pendingRescanAccounts_.remove(provider);
    });
}

// MARK: activity and running apps

void ProviderManager::handleActivity(const QSet<ActivitySignal>& signals_) {
    for (const ActivitySignal& s : signals_)
        if (activeProviders_.contains(s.provider)) markInUse(s);
}

void ProviderManager::markInUse(const ActivitySignal& signal) {
    const AIProviderType p = signal.provider;
    if (!activeInUseProviders_.contains(p)) {
        qCDebug(logProvider, "[%s] streaming active", qUtf8Printable(rawValue(p)));
        QSet<AIProviderType> inUse = activeInUseProviders_;
        inUse.insert(p);
        setActiveInUse(inUse);
        refreshOnDemand({p}, RefreshTrigger::activity);
    }
    if (signal.accountID) {
        const RunningKey key{p, *signal.accountID};
        if (!runningAccounts_.contains(key)) {
            QSet<RunningKey> keys = runningAccounts_;
            keys.insert(key);
            setRunningAccounts(keys);
            refreshRepresentative(p);
        }
    }
    schedule_.armSettle(p, [this, p] { settleInUse(p); });
}

void ProviderManager::settleInUse(AIProviderType p) {
    qCDebug(logProvider, "[%s] streaming settled", qUtf8Printable(rawValue(p)));
    QSet<AIProviderType> inUse = activeInUseProviders_;
    inUse.remove(p);
    setActiveInUse(inUse);
    QSet<RunningKey> keys = runningAccounts_;
    for (auto it = keys.begin(); it != keys.end();) {
        if (it->provider == p)
            it = keys.erase(it);
        else
            ++it;
    }
    setRunningAccounts(keys);
    refreshOnDemand({p}, RefreshTrigger::activity);
}

QSet<QString> ProviderManager::runningBundleIdentifiers() const {
    return deps_.runningApplications ? deps_.runningApplications->runningBundleIdentifiers()
                                     : QSet<QString>{};
}

void ProviderManager::refreshRunningApps() {
    const QSet<QString> running = runningBundleIdentifiers();
    QSet<RunningKey> keys;
    for (AIProviderType p : allProviderTypes())
        for (const ResolvedAccount& account : deps_.accountRegistry->accounts(p))
            for (const AccountSource& source : account.sources)
                for (const QString& id : source.bundleIdentifiers)
                    if (running.contains(id)) keys.insert(RunningKey{p, account.id});
    if (keys == runningAppAccounts_) return;
    runningAppAccounts_ = keys;
    Q_EMIT changed();
}

void ProviderManager::updateRunningAppsWatching() {
    if (!deps_.runningApplications || !monitoring_ || !accepting_) return;
    // Scan /proc only while some account can be seen through a desktop app.
    bool any = false;
    for (AIProviderType p : allProviderTypes())
        for (const ResolvedAccount& account : deps_.accountRegistry->accounts(p))
            for (const AccountSource& source : account.sources)
                if (!source.bundleIdentifiers.isEmpty()) any = true;
    deps_.runningApplications->setWatching(any);
}

void ProviderManager::updateWatcherAccountPaths() {
    if (deps_.watcher) deps_.watcher->updateAccountPaths(deps_.accountRegistry->activityPaths());
}

void ProviderManager::registerAlternateProfilePaths() {
    if (!deps_.ruleRegistry) return;
    const struct {
        AIProviderType provider;
        QString prefix;
    } kinds[] = {{AIProviderType::claudeCode, QStringLiteral(".claude")},
                 {AIProviderType::openAICodex, QStringLiteral(".codex")}};
    for (const auto& k : kinds) {
        const QString defaultFolder = joinPath(deps_.home, k.prefix);
        QStringList alternates;
        for (const QString& folder : AccountFileReader::profileDirectories(deps_.home, k.prefix))
            if (folder != defaultFolder) alternates.append(folder);
        if (alternates.isEmpty()) continue;
        deps_.ruleRegistry->updateRule(k.provider, [&](ProviderFilterRule& rule) {
            for (const QString& path : alternates)
                if (!rule.relativeRootPaths.contains(path)) rule.relativeRootPaths.append(path);
        });
        qCInfo(logProvider, "[%s] watching %lld alternate profile path(s)",
               qUtf8Printable(rawValue(k.provider)), static_cast<long long>(alternates.size()));
    }
}

// MARK: queries

QList<ResolvedAccount> ProviderManager::accounts(AIProviderType provider) const {
    return deps_.accountRegistry->accounts(provider);
}

std::optional<UsageSnapshot> ProviderManager::snapshot(AIProviderType provider,
                                                       const QString& accountID) const {
    const auto it = accountSnapshots_.constFind(provider);
    if (it == accountSnapshots_.constEnd()) return std::nullopt;
    const auto s = it->constFind(accountID);
    if (s == it->constEnd()) return std::nullopt;
    return *s;
}

std::optional<UsageSnapshot> ProviderManager::bestKnownSnapshot(AIProviderType provider,
                                                                const QString& accountID) const {
    if (auto s = snapshot(provider, accountID)) return s;
    return deps_.usageStore->snapshot(provider, accountID);
}

std::optional<ResolvedAccount> ProviderManager::displayedAccount(AIProviderType provider) const {
    const auto it = snapshots_.constFind(provider);
    if (it == snapshots_.constEnd() || !it->accountID) return std::nullopt;
    return deps_.accountRegistry->account(provider, *it->accountID);
}

bool ProviderManager::isAccountRunning(AIProviderType provider, const QString& accountID) const {
    const RunningKey key{provider, accountID};
    return runningAccounts_.contains(key) || runningAppAccounts_.contains(key);
}

bool ProviderManager::isProviderDetected(AIProviderType provider) const {
    if (detectedProviders_.contains(provider)) return true;
    const auto adapter = adapters_.value(provider);
    return adapter && adapter->isDetected();
}

bool ProviderManager::isAppRunning(AIProviderType provider) const {
    for (const RunningKey& k : runningAppAccounts_)
        if (k.provider == provider) return true;
    return false;
}

QList<AccountSource> ProviderManager::runningApps(const ResolvedAccount& account) const {
    const QSet<QString> running = runningBundleIdentifiers();
    QList<AccountSource> result;
    for (const AccountSource& source : account.sources)
        for (const QString& id : source.bundleIdentifiers)
            if (running.contains(id)) {
                result.append(source);
                break;
            }
    return result;
}

// MARK: publishing

void ProviderManager::setSnapshot(AIProviderType provider, const UsageSnapshot& snapshot) {
    auto it = snapshots_.find(provider);
    if (it != snapshots_.end() && *it == snapshot) return;
    snapshots_.insert(provider, snapshot);
    Q_EMIT changed();
}

void ProviderManager::setActiveProviders(const QList<AIProviderType>& providers) {
    if (providers == activeProviders_) return;
    activeProviders_ = providers;
    Q_EMIT changed();
}

void ProviderManager::setRunningAccounts(const QSet<RunningKey>& keys) {
    if (keys == runningAccounts_) return;
    runningAccounts_ = keys;
    Q_EMIT changed();
}

void ProviderManager::setActiveInUse(const QSet<AIProviderType>& providers) {
    if (providers == activeInUseProviders_) return;
    activeInUseProviders_ = providers;
    Q_EMIT changed();
}

} // namespace meterix
