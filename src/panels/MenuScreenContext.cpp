#include "panels/MenuScreenContext.h"

#include "accounts/AccountRegistry.h"

namespace meterix {

PresentedState MenuScreenContext::presentedState() const {
    return manager ? PresentedState::of(*manager, PresentedState::masksEmails(preferences)) : PresentedState{};
}

PresentedAccounts MenuScreenContext::presentedAccounts(AIProviderType provider) const {
    return manager ? PresentedState::accountsOf(*manager, provider, PresentedState::masksEmails(preferences))
                   : PresentedAccounts{};
}

QList<AccountSource> MenuScreenContext::presentedSources() const {
    return accounts ? PresentedState::sources(*accounts, PresentedState::masksEmails(preferences))
                    : QList<AccountSource>{};
}

} // namespace meterix
