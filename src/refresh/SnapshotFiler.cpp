#include "refresh/SnapshotFiler.h"

#include "accounts/AccountRegistry.h"
#include "accounts/AccountUsageStore.h"
#include "core/L10n.h"
#include "core/MeterixLog.h"
#include "core/ProviderDescriptor.h"
#include "refresh/AccountFiling.h"
#include "refresh/ActivityPresence.h"

#include <QPointer>

namespace meterix {

namespace {

// Names the account (and the place it was found) of a reading that names
// none, from the registry; false when no account takes it.
bool attribute(const AccountRegistry& registry, AIProviderType provider, UsageSnapshot& s) {
    if (ProviderCatalogue::of(provider).filesOnlyNamedReadings && !s.accountID) return false;
    const auto account =
        s.accountID ? registry.account(provider, *s.accountID) : registry.attributionAccount(provider);
    if (!account) return false;
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
    return true;
}

} // namespace

SnapshotFiler::SnapshotFiler(AccountRegistry& registry, AccountUsageStore& store, const Clock& clock,
                             const ActivityPresence& presence, std::function<void()> changed)
    : registry_(registry), store_(store), clock_(clock), presence_(presence), changed_(std::move(changed)) {
    const QDateTime now = clock_.now();
    for (AIProviderType p : allProviderTypes())
        snapshots_.insert(p, UsageSnapshot::simulatedFallback(p, now));
}

QSet<QString> SnapshotFiler::knownAccountIDs(AIProviderType provider) const {
    QSet<QString> known;
    for (const ResolvedAccount& a : registry_.accounts(provider))
        known.insert(a.id);
    return known;
}

void SnapshotFiler::rescan(Done then) {
    registry_.refreshAccounts(std::nullopt, std::move(then));
}

void SnapshotFiler::discoverAccountsBeforeFiling(const QList<UsageSnapshot>& fetched, AIProviderType provider,
                                                 Done then) {
    const QSet<QString> known = knownAccountIDs(provider);
    bool needed = fetched.isEmpty() && !known.isEmpty();
    for (const UsageSnapshot& s : fetched)
        if (s.accountID && !known.contains(*s.accountID)) needed = true;
    if (needed)
        rescan(std::move(then));
    else
        then();
}

void SnapshotFiler::apply(QList<UsageSnapshot> fetched, AIProviderType provider,
                          const std::optional<QString>& credentialFingerprint) {
    for (UsageSnapshot& s : fetched) {
        s.credentialFingerprint = credentialFingerprint;
        attribute(registry_, provider, s);
    }
    AccountUsageStore* store = &store_;
    const auto result = AccountFiling::merged(
        fetched, accountSnapshots_.value(provider), knownAccountIDs(provider), registry_.lastScanDate().isValid(),
        [store, provider](const QString& id) { return store->snapshot(provider, id); });
    for (const UsageSnapshot& s : result.recorded)
        store_.record(s);

    if (result.unattributed) {
        const auto current = snapshots_.constFind(provider);
        if (current == snapshots_.constEnd() ||
            AccountFiling::unattributedReplaces(*result.unattributed, *current))
            setSnapshot(provider, *result.unattributed);
    }
    if (accountSnapshots_.value(provider) != result.byAccount || !accountSnapshots_.contains(provider)) {
        accountSnapshots_.insert(provider, result.byAccount);
        changed_();
    }
    if (!result.byAccount.isEmpty()) refreshRepresentative(provider);
    noteUnregisteredAccounts(result.reported, provider);
}

void SnapshotFiler::refreshRepresentative(AIProviderType provider) {
    const auto it = accountSnapshots_.constFind(provider);
    if (it == accountSnapshots_.constEnd()) return;
    if (auto best = AccountFiling::representativeSnapshot(provider, *it, presence_.runningAccounts(),
                                                          presence_.runningAppAccounts()))
        setSnapshot(provider, *best);
}

void SnapshotFiler::fileFailure(AIProviderType provider, Done then) {
    QPointer<SnapshotFiler> self(this);
    rescan([self, provider, then] {
        if (self) self->markFailure(provider);
        if (then) then();
    });
}

void SnapshotFiler::markFailure(AIProviderType provider) {
    UsageSnapshot shown = snapshots_.value(provider);
    if (shown.accountID && !knownAccountIDs(provider).contains(*shown.accountID)) {
        // The shown account is gone: show a placeholder for whoever is signed
        // in now instead of an error.
        if (auto it = accountSnapshots_.find(provider); it != accountSnapshots_.end()) {
            it->remove(*shown.accountID);
            changed_();
        }
        UsageSnapshot placeholder = UsageSnapshot::simulatedFallback(provider, clock_.now());
        if (auto attribution = registry_.attributionAccount(provider)) placeholder.accountID = attribution->id;
        setSnapshot(provider, placeholder);
    } else if (AccountFiling::hasData(shown)) {
        // A reading without figures and without a reason is no data: it gets
        // no error text, like a reading that names its reason.
        shown.fetchError = L10n::errorRefreshFailed().text();
        setSnapshot(provider, shown);
    }
}

void SnapshotFiler::noteUnregisteredAccounts(const QSet<QString>& reported, AIProviderType provider) {
    const QSet<QString> missing = reported - knownAccountIDs(provider);
    if (missing.isEmpty()) return;
    if (pendingRescanAccounts_.value(provider) == missing && pendingRescanAccounts_.contains(provider)) return;
    pendingRescanAccounts_.insert(provider, missing);
    qCDebug(logProvider, "[%s] fetch reported %lld unlisted account(s); rescanning",
            qUtf8Printable(rawValue(provider)), static_cast<long long>(missing.size()));
    QPointer<SnapshotFiler> self(this);
    rescan([self, provider] {
        if (self) self->pendingRescanAccounts_.remove(provider);
    });
}

std::optional<UsageSnapshot> SnapshotFiler::snapshot(AIProviderType provider, const QString& accountID) const {
    const auto it = accountSnapshots_.constFind(provider);
    if (it == accountSnapshots_.constEnd()) return std::nullopt;
    const auto s = it->constFind(accountID);
    if (s == it->constEnd()) return std::nullopt;
    return *s;
}

std::optional<UsageSnapshot> SnapshotFiler::bestKnownSnapshot(AIProviderType provider,
                                                              const QString& accountID) const {
    if (auto s = snapshot(provider, accountID)) return s;
    return store_.snapshot(provider, accountID);
}

std::optional<ResolvedAccount> SnapshotFiler::displayedAccount(AIProviderType provider) const {
    const auto it = snapshots_.constFind(provider);
    if (it == snapshots_.constEnd() || !it->accountID) return std::nullopt;
    return registry_.account(provider, *it->accountID);
}

void SnapshotFiler::setSnapshot(AIProviderType provider, const UsageSnapshot& snapshot) {
    auto it = snapshots_.find(provider);
    if (it != snapshots_.end() && *it == snapshot) return;
    snapshots_.insert(provider, snapshot);
    changed_();
}

} // namespace meterix
