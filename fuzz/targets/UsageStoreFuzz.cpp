// Our own usage store file as the next start finds it: whatever it holds, the
// store starts (empty or with its readings), every reading it hands out is
// sound, and a new reading recorded into it survives the next start.
#include "FuzzTarget.h"

#include "accounts/AccountUsageStore.h"
#include "support/FakeClock.h"

#include <QJsonDocument>

using namespace meterix;

METERIX_FUZZ_TARGET(usage_store) {
    const auto path = fuzz::writeFile(QStringLiteral("usage-store/account-usage.json"),
                                      fuzz::bytes(data, size), QStringLiteral("usage-store"));
    if (!path) return;

    test::FakeClock clock(fuzz::fixedNow());
    const UsageSnapshot fresh(UsageSnapshot::Fields{.provider = AIProviderType::groq,
                                                    .headlineRemainingPercentage = 40,
                                                    .usedTokens = 0,
                                                    .totalTokens = 100000,
                                                    .lastUpdated = fuzz::fixedNow(),
                                                    .strategyUsed = FetchStrategy::oauthKeychain,
                                                    .accountID = QStringLiteral("fuzz-new"),
                                                    .capturedAt = fuzz::fixedNow()});
    {
        AccountUsageStore store(*path, clock);
        // Every entry the file names is handed out sound, or not at all.
        const QJsonObject all = QJsonDocument::fromJson(fuzz::bytes(data, size)).object();
        for (auto it = all.constBegin(); it != all.constEnd(); ++it) {
            const QString key = it.key();
            const qsizetype bar = key.indexOf(QLatin1Char('|'));
            if (bar < 0) continue;
            const auto provider = providerFromRawValue(QStringView(key).left(bar));
            if (!provider) continue;
            if (const auto s = store.snapshot(*provider, key.mid(bar + 1))) fuzz::checkSnapshot(*s, false);
        }
        store.record(fresh);
    }
    AccountUsageStore again(*path, clock);
    const auto kept = again.snapshot(AIProviderType::groq, QStringLiteral("fuzz-new"));
    METERIX_FUZZ_CHECK(kept.has_value());
    if (kept) METERIX_FUZZ_CHECK(kept->headlineRemainingPercentage == 40);
}
