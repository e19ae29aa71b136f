#pragma once

#include "core/AIProviderAdapter.h"
#include "core/Clock.h"
#include "core/Locked.h"
#include "providers/codex/CodexAccountResolver.h"
#include "providers/codex/CodexRolloutReader.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace meterix {

class AccountIdentityLedger;

// The Codex command-line client: one snapshot per Codex profile, read from the
// newest rate-limit event of that profile's session rollouts. No process is
// started and no request sent. A profile can change account while its old
// rollouts stay on disk, so the identity ledger says from when on usage belongs
// to the account signed in now, and a rollout that began earlier is withheld.
// The fetches and checkAvailability block on the file system (and on the
// ledger): adapter pool only. isDetected may be read from any thread.
class OpenAI_CodexAdapter final : public AIProviderAdapter {
public:
    using RateWindow = CodexRolloutReader::RateWindow;
    using RateLimits = CodexRolloutReader::RateLimits;
    using HomeReading = CodexRolloutReader::HomeReading;
    using Profile = CodexAccountResolver::Profile;

    // The account signed in to a profile, as its credential file says.
    struct Account {
        std::optional<QString> accountID; // the account id, else the e-mail
        std::optional<QString> email;
        std::optional<QString> planName;
        bool operator==(const Account&) const = default;
    };

    static constexpr const char* kSourceID = "codex.cli";

    explicit OpenAI_CodexAdapter(AccountIdentityLedger& identityLedger,
                                 CodexAccountResolver::Environment environment = CodexAccountResolver::Environment::current(),
                                 const Clock& clock = Clock::system());

    AIProviderType type() const override { return AIProviderType::openAICodex; }
    bool isDetected() const override { return detected_.get(); }
    // A profile with credentials, or else a ~/.codex folder.
    bool checkAvailability() override;
    // The first profile's snapshot. Never throws.
    UsageSnapshot fetchUsage(bool forceSync) override;
    // One snapshot per profile, in profile order. Never throws.
    QList<UsageSnapshot> fetchUsagePerAccount(bool forceSync) override;
    using AIProviderAdapter::fetchUsage;

    // The snapshot of one profile: figures only when they can be attributed to
    // the profile's current account. Asking the ledger records that account.
    UsageSnapshot snapshot(const Profile& profile, const QDateTime& now);

    // A home's reading and an account to a snapshot with figures. Windows
    // count by their length: the short one is the headline, a week-long one
    // the weekly figure (and the headline when it is the only one). Each other
    // allowance still running gives one item per window, before the credits.
    static UsageSnapshot snapshot(const HomeReading& reading, const std::optional<Account>& account,
                                  const QDateTime& now);

    // The account of a profile's signed-in claims.
    static std::optional<Account> account(const std::optional<CodexAccountResolver::IdentityClaims>& claims);

private:
    // A snapshot without figures, saying why (the sign-in kind, or figures held
    // back since an account switch) as a reason rather than in words.
    UsageSnapshot unknownSnapshot(const std::optional<Account>& account, UsageUnavailableReason reason) const;
    static std::optional<ModelQuotaItem> creditItem(const RateLimits& limits);
    static std::optional<QDateTime> credentialWrittenAt(const Profile& profile);

    Locked<bool> detected_{false};
    CodexAccountResolver::Environment environment_;
    AccountIdentityLedger& identityLedger_;
    const Clock& clock_;
};

} // namespace meterix
