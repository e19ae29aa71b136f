#pragma once

#include "accounts/AccountSource.h"
#include "core/AIProviderType.h"
#include "refresh/AccountFiling.h"
#include "refresh/ActivitySignal.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>

namespace meterix {

class AccountRegistry;
class RefreshSchedule;
class RunningApplications;
struct ResolvedAccount;

// Which providers and accounts are at work now: a provider is working while
// its tool writes activity and for a settle delay after, an account while its
// activity names it, and an account is open while a desktop app of its
// sources runs. The manager's published fields of that kind live here.
class ActivityPresence {
  public:
    struct Hooks {
        // The provider started or stopped working: its reading is asked for.
        std::function<void(AIProviderType)> refresh;
        // The provider's working accounts changed: its shown reading is chosen again.
        std::function<void(AIProviderType)> accountsChanged;
        // A published field here changed.
        std::function<void()> changed;
    };

    // runningApplications may be missing: then no app is ever open.
    ActivityPresence(const AccountRegistry& registry, RunningApplications* runningApplications,
                     RefreshSchedule& schedule, Hooks hooks);

    const QSet<AIProviderType>& inUseProviders() const { return inUse_; }
    const QSet<RunningKey>& runningAccounts() const { return runningAccounts_; }
    const QSet<RunningKey>& runningAppAccounts() const { return runningAppAccounts_; }

    void markInUse(const ActivitySignal& signal);
    // Reads the running apps anew and publishes the accounts they open.
    void refreshRunningApps();
    // The process list is scanned only while allowed and some account can be
    // seen through a desktop app.
    void updateRunningAppsWatching(bool allowed);

    bool isAccountRunning(AIProviderType provider, const QString& accountID) const;
    bool isAppRunning(AIProviderType provider) const;
    QList<AccountSource> runningApps(const ResolvedAccount& account) const;
    QSet<QString> runningBundleIdentifiers() const;

  private:
    void settle(AIProviderType provider);
    void setInUse(const QSet<AIProviderType>& providers);
    void setRunningAccounts(const QSet<RunningKey>& keys);

    const AccountRegistry& registry_;
    RunningApplications* runningApplications_;
    RefreshSchedule& schedule_;
    Hooks hooks_;
    QSet<AIProviderType> inUse_;
    QSet<RunningKey> runningAccounts_;
    QSet<RunningKey> runningAppAccounts_;
};

} // namespace meterix
