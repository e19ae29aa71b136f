// The activity filter on an arbitrary path and on a transcript with arbitrary
// contents (the input split at its first NUL): every provider's rule answers,
// the same way twice, without blocking.
#include "FuzzTarget.h"

#include "refresh/AIActivityFilterEngine.h"
#include "refresh/AIActivityRuleRegistry.h"
#include "support/HostUnderHome.h"
#include "support/FakeClock.h"

#include <algorithm>

using namespace meterix;

METERIX_FUZZ_TARGET(activity_filter) {
    const QByteArray input = fuzz::bytes(data, size);
    const qsizetype nul = input.indexOf('\0');
    const QString pathText = QString::fromUtf8(nul < 0 ? input : input.left(nul));
    const QByteArray contents = nul < 0 ? QByteArray() : input.mid(nul + 1);

    const QString home = fuzz::workspace() + QStringLiteral("/activity-home");
    const auto written =
        fuzz::writeFile(QStringLiteral("activity-home/.claude/projects/-work-app/session.jsonl"), contents);
    if (!written) return;
    const QString transcript = *written;
    // The same contents as a Codex rollout, for that rule's keywords.
    const auto rollout =
        fuzz::writeFile(QStringLiteral("activity-home/.codex/sessions/rollout-fuzz.jsonl"), contents);
    if (!rollout) return;

    static const AIActivityRuleRegistry registry(test::hostUnderHome(home));
    const test::FakeClock clock(fuzz::fixedNow());
    AIActivityFilterEngine engine(registry, clock);
    // The path as given (it is only evaluated, never written) and below the home.
    // A Claude transcript whose last 2048 bytes hold a "/usage" command line is
    // ignored, even when those bytes begin inside a character.
    QByteArrayView tail = QByteArrayView(contents).last(std::min<qsizetype>(contents.size(), 2048));
    // At most three bytes: no character has more continuation bytes.
    for (int cut = 0; cut < 3 && !tail.isEmpty() && tail.size() < contents.size() &&
                      (static_cast<unsigned char>(tail[0]) & 0xc0) == 0x80;
         ++cut)
        tail = tail.sliced(1);
    if (tail.contains("<command-name>/usage") && QUtf8StringView(tail).isValidUtf8())
        METERIX_FUZZ_CHECK(
            engine.shouldDispatchBurst(AIProviderType::claudeCode, transcript).result().kind() ==
            ActivityEvaluationResult::Kind::ignored);
    for (const QString& path : {pathText, home + QLatin1Char('/') + pathText, transcript, *rollout}) {
        for (const AIProviderType provider : allProviderTypes()) {
            const ActivityEvaluationResult first = engine.shouldDispatchBurst(provider, path).result();
            METERIX_FUZZ_CHECK(first == engine.shouldDispatchBurst(provider, path).result());
            const auto decision = engine.shouldDispatchBurst(provider, path);
            METERIX_FUZZ_CHECK(!decision.reason().isEmpty());
        }
    }
}
