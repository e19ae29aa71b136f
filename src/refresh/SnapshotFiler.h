#pragma once

#include "accounts/ResolvedAccount.h"
#include "core/AIProviderType.h"
#include "core/Clock.h"
#include "core/UsageSnapshot.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

namespace meterix {

class AccountRegistry;
class AccountUsageStore;
class ActivityPresence;

// Files each fetch's readings per account, keeps the last good one of every
// account in the store, and chooses the reading shown for each provider (the
// manager's published `snapshots` and `accountSnapshots` live here). A reading
// that names an account the registry does not know has the accounts read
// again. Lives on the GUI thread.
class SnapshotFiler : public QObject {
  public:
    using Done = std::function<void()>;

    // changed runs after every change of the two published maps.
    SnapshotFiler(AccountRegistry& registry, AccountUsageStore& store, const Clock& clock,
                  const ActivityPresence& presence, std::function<void()> changed);

    const QHash<AIProviderType, UsageSnapshot>& snapshots() const { return snapshots_; }
    const QHash<AIProviderType, QMap<QString, UsageSnapshot>>& accountSnapshots() const {
        return accountSnapshots_;
    }
    std::optional<UsageSnapshot> snapshot(AIProviderType provider, const QString& accountID) const;
    std::optional<UsageSnapshot> bestKnownSnapshot(AIProviderType provider, const QString& accountID) const;
    std::optional<ResolvedAccount> displayedAccount(AIProviderType provider) const;

    // then runs once the registry knows the accounts the readings name (it is
    // read again when one is new, or when none came back for known accounts).
    void discoverAccountsBeforeFiling(const QList<UsageSnapshot>& fetched, AIProviderType provider, Done then);
    // Files one fetch's readings, each marked with the credential that read it.
    void apply(QList<UsageSnapshot> fetched, AIProviderType provider,
               const std::optional<QString>& credentialFingerprint);
    // Chooses the provider's shown reading again among its accounts'.
    void refreshRepresentative(AIProviderType provider);
    // A failed fetch: the accounts are read again; then the shown reading of an
    // account that is gone gives way to a placeholder, and one with figures
    // carries the error. then runs last.
    void fileFailure(AIProviderType provider, Done then);

  private:
    void markFailure(AIProviderType provider);
    void noteUnregisteredAccounts(const QSet<QString>& reported, AIProviderType provider);
    void rescan(Done then);
    QSet<QString> knownAccountIDs(AIProviderType provider) const;
    void setSnapshot(AIProviderType provider, const UsageSnapshot& snapshot);

    AccountRegistry& registry_;
    AccountUsageStore& store_;
    const Clock& clock_;
    const ActivityPresence& presence_;
    std::function<void()> changed_;
    QHash<AIProviderType, UsageSnapshot> snapshots_;
    QHash<AIProviderType, QMap<QString, UsageSnapshot>> accountSnapshots_;
    QHash<AIProviderType, QSet<QString>> pendingRescanAccounts_;
};

} // namespace meterix
