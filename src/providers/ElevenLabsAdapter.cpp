#include "providers/ElevenLabsAdapter.h"

#include "core/Json.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/TextUtil.h"

#include <algorithm>

namespace meterix {

namespace {

// 2^53: below it a double holds every whole number, and a number sent in JSON
// reads as itself, so a count is shown as it was sent. A larger count (no
// account has that many characters) could only be shown rounded, and the
// difference of two such counts would be a wrong figure.
constexpr double kCountsBelow = 9007199254740992.0;

} // namespace

ElevenLabsAdapter::ElevenLabsAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                                     EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::elevenlabs,
                   ApiKeySource{{QStringLiteral("ELEVENLABS_API_KEY"), QStringLiteral("XI_API_KEY")},
                                QStringLiteral("/.config/elevenlabs/api_key")},
                   QStringLiteral("/v1/user/subscription"), transport, std::move(baseAddress),
                   std::move(homeDirectory), std::move(environment), clock) {}

QList<HttpHeader> ElevenLabsAdapter::requestHeaders(const QString& key) const {
    return {{"xi-api-key", key.toUtf8()}};
}

std::optional<double> ElevenLabsAdapter::characterResetCountdown(const QJsonObject& answer,
                                                                 const QDateTime& now) {
    const auto resetUnix = json::number(answer, QLatin1String("next_character_count_reset_unix"));
    if (!resetUnix) return std::nullopt;
    // Plain seconds arithmetic: a far-off moment (1e300) must not go through a
    // date type that would overflow.
    const double left = *resetUnix - static_cast<double>(now.toMSecsSinceEpoch()) / 1000.0;
    if (!(left > 0)) return std::nullopt;
    return std::min(left, kMaxCountdownSeconds);
}

std::optional<UsageSnapshot> ElevenLabsAdapter::snapshotFromBody(const QJsonObject& body) const {
    const auto used = json::number(body, QLatin1String("character_count"));
    const auto granted = json::number(body, QLatin1String("character_limit"));
    // Counts of characters: an allowance below one character, a negative count or
    // one too large to show exactly is no reading (1e-308 would pass "greater
    // than 0" and divide into nonsense).
    const auto isCount = [](const std::optional<double>& n, double least) {
        return n && *n >= least && *n < kCountsBelow;
    };
    if (!isCount(used, 0) || !isCount(granted, 1)) return std::nullopt;
    const QString tier = json::string(body, QLatin1String("tier")).value_or(QStringLiteral("Free"));
    const double percentage = std::clamp(100.0 - *used / *granted * 100.0, 0.0, 100.0);
    const auto countdown = characterResetCountdown(body, now());

    // Both are within [0, 2^53): whole parts convert and subtract exactly.
    const auto usedCount = static_cast<int64_t>(*used);
    const auto grantedCount = static_cast<int64_t>(*granted);
    const int64_t left = grantedCount - usedCount;

    return success({
        .hourlyRemainingPercentage = percentage,
        .hourlyResetCountdown = countdown,
        .weeklyRemainingPercentage = percentage,
        .weeklyResetCountdown = countdown,
        .modelQuotas =
            {
                ModelQuotaItem(QStringLiteral("Tier: ") + capitalizeWords(tier), percentage,
                               QStringLiteral("Characters: ") + QString::number(usedCount) +
                                   QLatin1Char('/') + QString::number(grantedCount),
                               countdown),
                ModelQuotaItem(QStringLiteral("Remaining Characters"), percentage,
                               QString::number(left) + QStringLiteral(" Left"), countdown),
            },
        .hourlyQuotaName = L10n::elevenLabsCharacterUsage().text(),
    });
}

} // namespace meterix
