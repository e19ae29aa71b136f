// A Codex rollout file whose final mebibyte (the reader's tail window) begins at
// any byte of the input: the rate limits found are sound, dated no later than
// now, the account's own with each other allowance once and at most 32 of them,
// and make a snapshot that reads back from our store. The same bytes as the
// home's config.toml name one credential store or none.
#include "FuzzTarget.h"

#include "core/TextUtil.h"
#include "providers/codex/CodexAccountResolver.h"
#include "providers/codex/CodexRolloutReader.h"
#include "providers/codex/OpenAI_CodexAdapter.h"
#include "support/FakeClock.h"

#include <QFile>

#include <cmath>

using namespace meterix;

namespace {

void checkWindow(const std::optional<CodexRolloutReader::RateWindow>& w) {
    if (!w) return;
    fuzz::checkPercentage(w->remaining);
    if (w->windowMinutes) METERIX_FUZZ_CHECK(*w->windowMinutes > 0);
    if (w->resetsAt) fuzz::checkDate(*w->resetsAt);
}

} // namespace

METERIX_FUZZ_TARGET(codex_rollout) {
    if (size < 2) return;
    // The first two bytes choose where in the rest the window begins.
    const QByteArray payload = fuzz::bytes(data + 2, size - 2);
    const qsizetype cut = ((data[0] << 8) | data[1]) % (payload.size() + 1);
    const QString home = fuzz::workspace() + QStringLiteral("/codex");
    const auto path = fuzz::writeFile(QStringLiteral("codex/sessions/rollout-fuzz.jsonl"), payload);
    if (!path) return;
    // A hole after it (read as NUL bytes, written as nothing), so that the
    // window's first byte is payload[cut].
    const qint64 filler = CodexRolloutReader::kTailBytes - (payload.size() - cut);
    if (filler > 0 && !QFile::resize(*path, payload.size() + filler)) return;

    if (fuzz::writeFile(QStringLiteral("codex/config.toml"), payload)) {
        using Store = CodexAccountResolver::CredentialStore;
        const Store store = CodexAccountResolver::credentialStore(home);
        METERIX_FUZZ_CHECK(store == Store::file || store == Store::keyring || store == Store::automatic ||
                           store == Store::ephemeral);
    }

    const test::FakeClock clock(fuzz::fixedNow());
    const auto reading = CodexRolloutReader::rateLimits(home, fuzz::fixedNow(), clock);
    if (!reading) return;
    const auto& limits = reading->account;
    checkWindow(limits.primary);
    checkWindow(limits.secondary);
    if (limits.creditBalance) METERIX_FUZZ_CHECK(std::isfinite(*limits.creditBalance));
    fuzz::checkDate(limits.capturedAt);
    METERIX_FUZZ_CHECK(limits.capturedAt <= fuzz::fixedNow());
    if (limits.sessionStartedAt) fuzz::checkDate(*limits.sessionStartedAt);
    // The account's own figures, and every other allowance once, in id order,
    // never more than the bound.
    METERIX_FUZZ_CHECK(limits.isAccountLimit());
    METERIX_FUZZ_CHECK(reading->allowances.size() <= CodexRolloutReader::kAllowanceLimit);
    for (qsizetype i = 0; i < reading->allowances.size(); ++i) {
        const auto& allowance = reading->allowances[i];
        METERIX_FUZZ_CHECK(allowance.limitId && !allowance.isAccountLimit() && !allowance.limitId->trimmed().isEmpty());
        if (i > 0) METERIX_FUZZ_CHECK(codePointLess(*reading->allowances[i - 1].limitId, *allowance.limitId));
        checkWindow(allowance.primary);
        checkWindow(allowance.secondary);
        fuzz::checkDate(allowance.capturedAt);
        METERIX_FUZZ_CHECK(allowance.capturedAt <= fuzz::fixedNow());
    }
    fuzz::checkSnapshot(OpenAI_CodexAdapter::snapshot(
        *reading, OpenAI_CodexAdapter::Account{QStringLiteral("a"), std::nullopt, std::nullopt},
        fuzz::fixedNow()));
}
