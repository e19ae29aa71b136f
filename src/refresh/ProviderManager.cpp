#include "refresh/ProviderManager.h"

#include "accounts/AccountFileReader.h"
#include "accounts/AccountRegistry.h"
#include "accounts/ResolvedAccount.h"
#include "core/L10n.h"
#include "core/MeterixLog.h"
#include "core/MeterixPreferences.h"
#include "core/Paths.h"
#include "core/ProviderDescriptor.h"
#include "platform/PowerMonitor.h"
#include "platform/RunningApplications.h"
#include "providers/common/ProbeGate.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "refresh/InotifyFolderWatcher.h"

#include <QCoreApplication>
#include <QPointer>

namespace meterix {

namespace {

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

// The parts are built on the required services: they are checked first.
ProviderManager::Dependencies checked(ProviderManager::Dependencies d) {
    Q_ASSERT(d.accountRegistry && d.usageStore && d.preferences && d.clock);
    return d;
}

} // namespace

ProviderManager::ProviderManager(Dependencies dependencies, bool startMonitoring, QObject* parent)
    : QObject(parent), deps_(checked(std::move(dependencies))), scanner_(deps_.adapters),
      schedule_(deps_.timers, *deps_.clock, deps_.isLidClosed, deps_.isDocked),
      presence_(*deps_.accountRegistry, deps_.runningApplications, schedule_,
                {[this](AIProviderType p) { refreshOnDemand({p}, RefreshTrigger::activity); },
                 [this](AIProviderType p) { refreshRepresentative(p); }, [this] { Q_EMIT changed(); }}),
      filer_(*deps_.accountRegistry, *deps_.usageStore, *deps_.clock, presence_, [this] { Q_EMIT changed(); }),
      fetches_(deps_.poolThreads, deps_.poolThreadExpiry,
               [this](AIProviderType p) { refreshProviderImpl(p, false, true, {}); }) {
    if (deps_.home.isEmpty()) deps_.home = homeFolder();

    for (const auto& adapter : deps_.adapters)
        registerAdapter(adapter);

    const auto stored = deps_.preferences->enabledProviders();
    if (stored && !stored->isEmpty()) {
        activeProviders_ = *stored;
    } else {
        for (const ProviderDescriptor* p : ProviderCatalogue::all())
            if (p->onByDefault) activeProviders_.append(p->type);
    }

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
                    self->adoptAvailable(available);
                    self->refreshAll(true, [self] {
                        if (self && self->accepting_) self->startMonitoringActivity();
                    });
                },
                Qt::QueuedConnection);
        });
    });
}

void ProviderManager::adoptAvailable(const Adapters& available) {
    QSet<AIProviderType> detected;
    for (const auto& adapter : available) {
        registerAdapter(adapter);
        detected.insert(adapter->type());
    }
    if (detected != detectedProviders_) {
        detectedProviders_ = detected;
        Q_EMIT changed();
    }
    MeterixPreferences& prefs = *deps_.preferences;
    if (!prefs.enabledProviders() || !prefs.hasCustomizedProviders()) {
        QList<AIProviderType> chosen;
        for (AIProviderType p : allProviderTypes())
            if (detected.contains(p)) chosen.append(p);
        if (!chosen.isEmpty()) {
            setActiveProviders(chosen);
            prefs.setEnabledProviders(chosen);
        }
    }
}

void ProviderManager::startMonitoringActivity() {
    registerAlternateProfilePaths();
    if (deps_.watcher) {
        updateWatcherAccountPaths();
        QPointer<ProviderManager> weak(this);
        deps_.watcher->startWatching([weak](const QSet<ActivitySignal>& signals_) {
            // On the watcher's thread: hop over, never wait.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [weak, signals_] {
                    if (weak) weak->handleActivity(signals_);
                },
                Qt::QueuedConnection);
        });
    }
    if (deps_.runningApplications) {
        connect(deps_.runningApplications, &RunningApplications::runningApplicationsChanged, this,
                &ProviderManager::refreshRunningApps);
        updateRunningAppsWatching();
    }
    refreshRunningApps();
    startPeriodicPolling();
    Q_EMIT startUpFinished();
}

// MARK: polling, sleep and wake

void ProviderManager::startPeriodicPolling() {
    schedule_.startPolling([this] { refreshAll(false); });
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
    refreshAllImpl(forceSync, std::move(done));
}

void ProviderManager::refreshAllImpl(bool forceSync, Done done) {
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
        refreshProviderImpl(p, forceSync, false, childDone);
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
        qCCritical(logProvider, "Fetch failed for %s: %s", qUtf8Printable(rawValue(provider)),
                   qUtf8Printable(L10n::errorRefreshFailed().text()));
        filer_.fileFailure(provider, [self, provider] {
            if (self) self->fetches_.end(provider);
        });
        return;
    }
    filer_.discoverAccountsBeforeFiling(outcome.snapshots, provider, [self, provider, outcome] {
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

void ProviderManager::providerSelected(AIProviderType provider) { refreshProvider(provider, true); }

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

bool ProviderManager::shutdown(int timeoutMs) {
    accepting_ = false;
    schedule_.stop();
    if (deps_.watcher) deps_.watcher->stop();
    if (deps_.runningApplications) deps_.runningApplications->setWatching(false);
    return fetches_.waitForDone(timeoutMs);
}

// MARK: filing

void ProviderManager::apply(QList<UsageSnapshot> fetched, AIProviderType provider) {
    const auto adapter = adapters_.value(provider);
    filer_.apply(std::move(fetched), provider, adapter ? adapter->credentialFingerprint() : std::nullopt);
}

void ProviderManager::refreshRepresentative(AIProviderType provider) {
    filer_.refreshRepresentative(provider);
}

// MARK: activity and running apps

void ProviderManager::handleActivity(const QSet<ActivitySignal>& signals_) {
    for (const ActivitySignal& s : signals_)
        if (activeProviders_.contains(s.provider)) markInUse(s);
}

void ProviderManager::markInUse(const ActivitySignal& signal) {
    presence_.markInUse(signal);
}

void ProviderManager::refreshRunningApps() {
    presence_.refreshRunningApps();
}

void ProviderManager::updateRunningAppsWatching() {
    // Scan /proc only while some account can be seen through a desktop app.
    presence_.updateRunningAppsWatching(monitoring_ && accepting_);
}

void ProviderManager::updateWatcherAccountPaths() {
    if (deps_.watcher) deps_.watcher->updateAccountPaths(deps_.accountRegistry->activityPaths());
}

void ProviderManager::registerAlternateProfilePaths() {
    if (!deps_.ruleRegistry) return;
    for (const ProviderDescriptor* k : ProviderCatalogue::all()) {
        if (!k->profileFolderPrefix) continue;
        const QString prefix = QString::fromLatin1(k->profileFolderPrefix);
        const QString defaultFolder = joinPath(deps_.home, prefix);
        QStringList alternates;
        for (const QString& folder : AccountFileReader::profileDirectories(deps_.home, prefix))
            if (folder != defaultFolder) alternates.append(folder);
        if (alternates.isEmpty()) continue;
        deps_.ruleRegistry->updateRule(k->type, [&](ProviderFilterRule& rule) {
            for (const QString& path : alternates)
                if (!rule.relativeRootPaths.contains(path)) rule.relativeRootPaths.append(path);
        });
        qCInfo(logProvider, "[%s] watching %lld alternate profile path(s)",
               qUtf8Printable(rawValue(k->type)), static_cast<long long>(alternates.size()));
    }
}

// MARK: queries

QList<ResolvedAccount> ProviderManager::accounts(AIProviderType provider) const {
    return deps_.accountRegistry->accounts(provider);
}

std::optional<UsageSnapshot> ProviderManager::snapshot(AIProviderType provider,
                                                       const QString& accountID) const {
    return filer_.snapshot(provider, accountID);
}

std::optional<UsageSnapshot> ProviderManager::bestKnownSnapshot(AIProviderType provider,
                                                                const QString& accountID) const {
    return filer_.bestKnownSnapshot(provider, accountID);
}

std::optional<ResolvedAccount> ProviderManager::displayedAccount(AIProviderType provider) const {
    return filer_.displayedAccount(provider);
}

std::optional<ProviderManager::ReadWait> ProviderManager::readWait(AIProviderType provider) const {
    // A fetch under way is reading anew: a refresh asked now joins it.
    if (fetches_.isFetching(provider)) return std::nullopt;
    std::optional<ReadWait> wait;
    if (const auto left = schedule_.cooldownLeft(provider))
        wait = ReadWait{ReadWait::Why::cooldown, addSeconds(deps_.clock->now(), *left)};
    if (deps_.probeGate)
        if (const auto until = deps_.probeGate->nextAllowed(provider); until && (!wait || *until > wait->until))
            wait = ReadWait{ReadWait::Why::probeFloor, *until};
    return wait;
}

void ProviderManager::refreshByUser(AIProviderType provider, Done done) {
    if (readWait(provider)) {
        if (done) done();
        return;
    }
    refreshProvider(provider, true, std::move(done));
}

bool ProviderManager::isAccountRunning(AIProviderType provider, const QString& accountID) const {
    return presence_.isAccountRunning(provider, accountID);
}

bool ProviderManager::isProviderDetected(AIProviderType provider) const {
    if (detectedProviders_.contains(provider)) return true;
    const auto adapter = adapters_.value(provider);
    return adapter && adapter->isDetected();
}

bool ProviderManager::isAppRunning(AIProviderType provider) const {
    return presence_.isAppRunning(provider);
}

QList<AccountSource> ProviderManager::runningApps(const ResolvedAccount& account) const {
    return presence_.runningApps(account);
}

// MARK: publishing

void ProviderManager::setActiveProviders(const QList<AIProviderType>& providers) {
    if (providers == activeProviders_) return;
    activeProviders_ = providers;
    Q_EMIT changed();
}

} // namespace meterix
