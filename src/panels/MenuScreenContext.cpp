#include "panels/MenuScreenContext.h"

#include "accounts/AccountRegistry.h"

namespace meterix {

PresentedState MenuScreenContext::presentedState() const {
    return manager ? PresentedState::of(*manager, PresentedState::masksEmails(preferences)) : PresentedState{};
}

QList<AccountSource> MenuScreenContext::presentedSources() const {
    return accounts ? PresentedState::sources(*accounts, PresentedState::masksEmails(preferences))
                    : QList<AccountSource>{};
}

} // namespace meterix
