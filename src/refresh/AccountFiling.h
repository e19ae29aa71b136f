#pragma once

#include "core/AIProviderType.h"
#include "core/UsageSnapshot.h"

#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

#include <functional>
#include <optional>

namespace meterix {

// One account of one provider, as the running sets name it.
struct RunningKey {
    AIProviderType provider{};
    QString accountID;
    bool operator==(const RunningKey&) const = default;
};
inline size_t qHash(const RunningKey& k, size_t seed = 0) noexcept {
    return qHashMulti(seed, static_cast<int>(k.provider), k.accountID);
}

// The rules that turn one fetch's snapshots into per-account state. Pure
// functions on values: the manager calls them on the GUI thread.
namespace AccountFiling {

// Real figures: no reason given, and not a placeholder. A snapshot without
// figures and without a reason counts as not configured, never as data.
bool hasData(const UsageSnapshot& s);
// A failure that may clear by itself.
bool hasTransientReason(const UsageSnapshot& s);

struct MergeResult {
    QMap<QString, UsageSnapshot> byAccount;
    QSet<QString> reported;
    QList<UsageSnapshot> recorded;
    std::optional<UsageSnapshot> unattributed;
};

// Merges a fetch into the held per-account snapshots: a passing failure does
// not wipe good figures of the same credential; of two readings with data the
// later capture wins; vanished, unreported accounts are dropped once the
// registry has scanned.
MergeResult merged(const QList<UsageSnapshot>& attributed, const QMap<QString, UsageSnapshot>& into,
                   const QSet<QString>& knownAccountIDs, bool registryHasScanned,
                   const std::function<std::optional<UsageSnapshot>(const QString&)>& storedSnapshot);

// The snapshot shown for the provider: among accounts that are running (tool at
// work or desktop app open) if any, else all, the latest captured; on equal
// times the first in id order.
std::optional<UsageSnapshot> representativeSnapshot(AIProviderType provider,
                                                    const QMap<QString, UsageSnapshot>& among,
                                                    const QSet<RunningKey>& runningAccounts,
                                                    const QSet<RunningKey>& runningAppAccounts);

// Whether a held snapshot should give way to a new unattributed one.
bool unattributedReplaces(const UsageSnapshot& unattributed, const UsageSnapshot& current);

} // namespace AccountFiling
} // namespace meterix
