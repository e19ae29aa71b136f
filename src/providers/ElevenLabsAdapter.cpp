#include "providers/ElevenLabsAdapter.h"

#include "core/Json.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/TextUtil.h"

#include <algorithm>
#include <limits>

namespace meterix {

namespace {

// granted - used without overflow: counts near the ends of the 64-bit range
// give the nearest end instead of wrapping.
int64_t saturatingDifference(int64_t granted, int64_t used) {
    int64_t left = 0;
    if (__builtin_sub_overflow(granted, used, &left))
        return used < 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
    return left;
}

constexpr double kInt64Low = -9223372036854775808.0;
constexpr double kInt64High = 9223372036854774784.0; // the largest double below 2^63

} // namespace

ElevenLabsAdapter::ElevenLabsAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                                     EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::elevenlabs,
                   ApiKeySource{{QStringLiteral("ELEVENLABS_API_KEY"), QStringLiteral("XI_API_KEY")},
                                QStringLiteral("/.config/elevenlabs/api_key")},
                   QStringLiteral("/v1/user/subscription"), transport, std::move(baseAddress),
                   std::move(homeDirectory), std::move(environment), clock) {}

QList<HttpHeader> ElevenLabsAdapter::requestHeaders(const QString& key) const { return {{"xi-api-key", key.toUtf8()}}; }

std::optional<double> ElevenLabsAdapter::characterResetCountdown(const QJsonObject& answer, const QDateTime& now) {
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
    // Counts of characters: an allowance below one character or a negative count
    // is no reading (1e-308 would pass "greater than 0" and divide into nonsense).
    if (!used || !granted || !(*granted >= 1) || !(*used >= 0)) return std::nullopt;
    const QString tier = json::string(body, QLatin1String("tier")).value_or(QStringLiteral("Free"));
    const double percentage = std::clamp(100.0 - *used / *granted * 100.0, 0.0, 100.0);
    const auto countdown = characterResetCountdown(body, now());

    const int64_t usedCount = saturatingInt64(*used, kInt64Low, kInt64High);
    const int64_t grantedCount = saturatingInt64(*granted, kInt64Low, kInt64High);
    const int64_t left = saturatingDifference(grantedCount, usedCount);

    return success({
        .hourlyRemainingPercentage = percentage,
        .hourlyResetCountdown = countdown,
        .weeklyRemainingPercentage = percentage,
        .weeklyResetCountdown = countdown,
        .modelQuotas =
            {
                ModelQuotaItem(QStringLiteral("Tier: ") + capitalizeWords(tier), percentage,
                               QStringLiteral("Characters: ") + QString::number(usedCount) + QLatin1Char('/') +
                                   QString::number(grantedCount),
                               countdown),
                ModelQuotaItem(QStringLiteral("Remaining Characters"), percentage,
                               QString::number(left) + QStringLiteral(" Left"), countdown),
            },
        .hourlyQuotaName = L10n::elevenLabsCharacterUsage().text(),
    });
}

} // namespace meterix
