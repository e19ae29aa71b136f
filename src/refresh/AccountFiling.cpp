#include "refresh/AccountFiling.h"

namespace meterix::AccountFiling {

namespace {

// A transient failure keeps the fallback's figures unless both carry a
// credential fingerprint and they differ (the key changed: show the failure).
bool keepsFallback(const UsageSnapshot& incoming, const UsageSnapshot& fallback) {
    if (!hasTransientReason(incoming) || !hasData(fallback)) return false;
    if (incoming.credentialFingerprint && fallback.credentialFingerprint &&
        *incoming.credentialFingerprint != *fallback.credentialFingerprint)
        return false;
    return true;
}

} // namespace

bool hasData(const UsageSnapshot& s) {
    return !s.unavailableReason && s.strategyUsed != FetchStrategy::simulated;
}

bool hasTransientReason(const UsageSnapshot& s) {
    return s.unavailableReason && isTransient(*s.unavailableReason);
}

MergeResult merged(const QList<UsageSnapshot>& attributed, const QMap<QString, UsageSnapshot>& into,
                   const QSet<QString>& knownAccountIDs, bool registryHasScanned,
                   const std::function<std::optional<UsageSnapshot>(const QString&)>& storedSnapshot) {
    MergeResult result;
    result.byAccount = into;
    QSet<QString> filed;
    for (const UsageSnapshot& s : attributed) {
        if (!s.accountID) {
            result.unattributed = s;
            continue;
        }
        const QString id = *s.accountID;
        std::optional<UsageSnapshot> fallback;
        if (auto it = result.byAccount.constFind(id); it != result.byAccount.constEnd())
            fallback = *it;
        else if (storedSnapshot)
            fallback = storedSnapshot(id);

        const UsageSnapshot& chosen = fallback && keepsFallback(s, *fallback) ? *fallback : s;
        if (hasData(chosen)) {
            const auto held = result.byAccount.constFind(id);
            const bool heldIsNewer =
                held != result.byAccount.constEnd() && hasData(*held) && held->capturedAt > chosen.capturedAt;
            if (!heldIsNewer) result.byAccount.insert(id, chosen);
            filed.insert(id);
        } else if (!filed.contains(id)) {
            result.byAccount.insert(id, chosen);
        }
        result.reported.insert(id);
        result.recorded.append(s);
    }
    if (registryHasScanned) {
        for (auto it = result.byAccount.begin(); it != result.byAccount.end();) {
            if (!knownAccountIDs.contains(it.key()) && !result.reported.contains(it.key()))
                it = result.byAccount.erase(it);
            else
                ++it;
        }
    }
    return result;
}

std::optional<UsageSnapshot> representativeSnapshot(AIProviderType provider,
                                                    const QMap<QString, UsageSnapshot>& among,
                                                    const QSet<RunningKey>& runningAccounts,
                                                    const QSet<RunningKey>& runningAppAccounts) {
    QList<const UsageSnapshot*> candidates;
    for (const UsageSnapshot& s : among) {
        if (!s.accountID) continue;
        const RunningKey key{provider, *s.accountID};
        if (runningAccounts.contains(key) || runningAppAccounts.contains(key)) candidates.append(&s);
    }
    if (candidates.isEmpty())
        for (const UsageSnapshot& s : among)
            candidates.append(&s);
    if (candidates.isEmpty()) return std::nullopt;
    const UsageSnapshot* best = candidates.first();
    for (const UsageSnapshot* c : candidates)
        if (c->capturedAt > best->capturedAt) best = c;
    return *best;
}

bool unattributedReplaces(const UsageSnapshot& unattributed, const UsageSnapshot& current) {
    return !keepsFallback(unattributed, current);
}

} // namespace meterix::AccountFiling
