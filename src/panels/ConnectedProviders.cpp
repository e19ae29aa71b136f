#include "panels/ConnectedProviders.h"

#include "design/MissingFigure.h"

namespace meterix {

namespace {

// How a provider without a listed account was read: by its key, or on this
// machine (a command-line client, a local server, local files).
AccountSource placeOf(AIProviderType provider, const UsageSnapshot& reading) {
    const bool byKey = reading.strategyUsed == FetchStrategy::oauthKeychain ||
                       reading.unavailableReason == UsageUnavailableReason::signedInWithAPIKey;
    AccountSource place;
    place.id = rawValue(provider);
    place.kind = byKey ? AccountSourceKind::api : AccountSourceKind::cli;
    place.displayName = displayName(provider);
    return place;
}

} // namespace

ConnectedProviders ConnectedProviders::of(const QList<AIProviderType>& active,
                                          const QHash<AIProviderType, UsageSnapshot>& readings,
                                          const std::function<bool(AIProviderType)>& hasAccounts) {
    ConnectedProviders c;
    for (AIProviderType p : active) {
        if (c.providers.contains(p)) continue;
        if (hasAccounts && hasAccounts(p)) {
            c.providers.append(p);
            continue;
        }
        const auto it = readings.constFind(p);
        if (it == readings.constEnd() || !countsAsConnected(*it)) continue;
        c.providers.append(p);
        c.withoutAccount.append(placeOf(p, *it));
    }
    return c;
}

} // namespace meterix
