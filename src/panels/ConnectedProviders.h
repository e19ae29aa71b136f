#pragma once

#include "accounts/AccountSource.h"
#include "core/AIProviderType.h"
#include "core/UsageSnapshot.h"

#include <QHash>
#include <QList>

#include <functional>

namespace meterix {

// Who the user is connected to, by one rule that the panel's header counts and
// the settings list: a provider on the bar is connected when the account scan
// found an account of it, or when its reading came (or is owed to a signed-in
// user) without one the scan lists: an API key, a local server.
struct ConnectedProviders {
    QList<AIProviderType> providers;        // in the bar's order
    QList<AccountSource> withoutAccount;    // one place per connected provider the scan lists no account of

    static ConnectedProviders of(const QList<AIProviderType>& active,
                                 const QHash<AIProviderType, UsageSnapshot>& readings,
                                 const std::function<bool(AIProviderType)>& hasAccounts);
};

} // namespace meterix
