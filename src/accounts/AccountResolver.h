#pragma once

#include "accounts/AccountIdentity.h"
#include "core/AIProviderType.h"

#include <QList>
#include <QString>

namespace meterix {

// One resolver per tool family: finds the accounts signed into that family's
// tools by reading their local files.
class AccountResolver {
  public:
    virtual ~AccountResolver() = default;

    // The provider whose accounts it finds.
    virtual AIProviderType provider() const = 0;
    // The source id whose readable account is preferred as the provider's
    // attribution account.
    virtual QString primarySourceID() const = 0;
    // Blocking (reads files): call off the GUI thread only. Never fails: every
    // unreadable file simply yields fewer identities.
    virtual QList<AccountIdentity> resolveAccounts() = 0;
};

} // namespace meterix
