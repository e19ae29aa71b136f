#include "panels/MenuScreenContext.h"

#include "accounts/AccountRegistry.h"

#include <QDesktopServices>

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

ConnectedProviders MenuScreenContext::connected(const PresentedState& state) const {
    const AccountRegistry* registry = accounts;
    return ConnectedProviders::of(state.activeProviders, state.snapshots, [registry](AIProviderType p) {
        return registry && !registry->accounts(p).isEmpty();
    });
}

bool MenuScreenContext::defaultOpenLink(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

} // namespace meterix
