// Our own identity ledger file as the next start finds it: the ledger answers,
// its answers are dates within the years 1 to 9999, and what it records after
// reads back on the next start.
#include "FuzzTarget.h"

#include "accounts/AccountIdentityLedger.h"
#include "support/FakeClock.h"

using namespace meterix;

METERIX_FUZZ_TARGET(identity_ledger) {
    const auto path = fuzz::writeFile(QStringLiteral("ledger/account-identity.json"), fuzz::bytes(data, size),
                                      QStringLiteral("ledger"));
    if (!path) return;

    test::FakeClock clock(fuzz::fixedNow());
    const QString profile = QStringLiteral("/home/u/.codex");
    std::optional<QDateTime> codexBoundary;
    {
        AccountIdentityLedger ledger(*path, clock);
        for (const AIProviderType provider : {AIProviderType::openAICodex, AIProviderType::claudeCode}) {
            if (const auto record = ledger.record(provider, profile))
                if (record->switchedAt) fuzz::checkDate(*record->switchedAt);
            const auto boundary = ledger.attributionBoundary(provider, profile, QStringLiteral("acct-fuzz"),
                                                             std::nullopt, clock.now());
            if (boundary) fuzz::checkDate(*boundary);
            if (provider == AIProviderType::openAICodex) codexBoundary = boundary;
        }
        ledger.shutdown();
    }
    AccountIdentityLedger again(*path, clock);
    const auto record = again.record(AIProviderType::openAICodex, profile);
    METERIX_FUZZ_CHECK(record.has_value());
    if (record) METERIX_FUZZ_CHECK(record->accountID == QStringLiteral("acct-fuzz"));
    // The same account after the restart: the same answer as before it.
    METERIX_FUZZ_CHECK(again.attributionBoundary(AIProviderType::openAICodex, profile,
                                                 QStringLiteral("acct-fuzz"), std::nullopt,
                                                 clock.now()) == codexBoundary);
    again.shutdown();
}
