#include "refresh/ActivityPresence.h"

#include "accounts/AccountRegistry.h"
#include "accounts/ResolvedAccount.h"
#include "core/MeterixLog.h"
#include "platform/RunningApplications.h"
#include "refresh/RefreshSchedule.h"

namespace meterix {

ActivityPresence::ActivityPresence(const AccountRegistry& registry, RunningApplications* runningApplications,
                                   RefreshSchedule& schedule, Hooks hooks)
    : registry_(registry), runningApplications_(runningApplications), schedule_(schedule),
      hooks_(std::move(hooks)) {}

void ActivityPresence::markInUse(const ActivitySignal& signal) {
    const AIProviderType p = signal.provider;
    if (!inUse_.contains(p)) {
        qCDebug(logProvider, "[%s] streaming active", qUtf8Printable(rawValue(p)));
        QSet<AIProviderType> inUse = inUse_;
        inUse.insert(p);
        setInUse(inUse);
        hooks_.refresh(p);
    }
    if (signal.accountID) {
        const RunningKey key{p, *signal.accountID};
        if (!runningAccounts_.contains(key)) {
            QSet<RunningKey> keys = runningAccounts_;
            keys.insert(key);
            setRunningAccounts(keys);
            hooks_.accountsChanged(p);
        }
    }
    schedule_.armSettle(p, [this, p] { settle(p); });
}

void ActivityPresence::settle(AIProviderType p) {
    qCDebug(logProvider, "[%s] streaming settled", qUtf8Printable(rawValue(p)));
    QSet<AIProviderType> inUse = inUse_;
    inUse.remove(p);
    setInUse(inUse);
    QSet<RunningKey> keys = runningAccounts_;
    for (auto it = keys.begin(); it != keys.end();) {
        if (it->provider == p)
            it = keys.erase(it);
        else
            ++it;
    }
    setRunningAccounts(keys);
    hooks_.refresh(p);
}

QSet<QString> ActivityPresence::runningBundleIdentifiers() const {
    return runningApplications_ ? runningApplications_->runningBundleIdentifiers() : QSet<QString>{};
}

void ActivityPresence::refreshRunningApps() {
    const QSet<QString> running = runningBundleIdentifiers();
    QSet<RunningKey> keys;
    for (AIProviderType p : allProviderTypes())
        for (const ResolvedAccount& account : registry_.accounts(p))
            for (const AccountSource& source : account.sources)
                for (const QString& id : source.bundleIdentifiers)
                    if (running.contains(id)) keys.insert(RunningKey{p, account.id});
    if (keys == runningAppAccounts_) return;
    runningAppAccounts_ = keys;
    hooks_.changed();
}

void ActivityPresence::updateRunningAppsWatching(bool allowed) {
    if (!runningApplications_ || !allowed) return;
    bool any = false;
    for (AIProviderType p : allProviderTypes())
        for (const ResolvedAccount& account : registry_.accounts(p))
            for (const AccountSource& source : account.sources)
                if (!source.bundleIdentifiers.isEmpty()) any = true;
    runningApplications_->setWatching(any);
}

bool ActivityPresence::isAccountRunning(AIProviderType provider, const QString& accountID) const {
    const RunningKey key{provider, accountID};
    return runningAccounts_.contains(key) || runningAppAccounts_.contains(key);
}

bool ActivityPresence::isAppRunning(AIProviderType provider) const {
    for (const RunningKey& k : runningAppAccounts_)
        if (k.provider == provider) return true;
    return false;
}

QList<AccountSource> ActivityPresence::runningApps(const ResolvedAccount& account) const {
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

void ActivityPresence::setInUse(const QSet<AIProviderType>& providers) {
    if (providers == inUse_) return;
    inUse_ = providers;
    hooks_.changed();
}

void ActivityPresence::setRunningAccounts(const QSet<RunningKey>& keys) {
    if (keys == runningAccounts_) return;
    runningAccounts_ = keys;
    hooks_.changed();
}

} // namespace meterix
