#include "providers/elevenlabs/ElevenLabsAdapter.h"

#include "core/Json.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"
#include "core/TextUtil.h"

#include <algorithm>

namespace meterix {

namespace {

// 2^53: below it a double holds every whole number, and a number sent in JSON
// reads as itself, so a count is shown as it was sent. A larger count (no
// account has that many characters) could only be shown rounded, and the
// difference of two such counts would be a wrong figure.
constexpr double kCountsBelow = 9007199254740992.0;

// A currency as the answer names it ("usd"), shown as its code; anything that is
// not a three-letter code is left out rather than shown.
std::optional<QString> currencyCode(const std::optional<QString>& text) {
    if (!text || text->size() != 3) return std::nullopt;
    for (const QChar c : *text)
        if (!((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))))
            return std::nullopt;
    return text->toUpper();
}

// What usage-based plans owe beyond the allowance: "current_overage" as an
// amount, or as an object with "amount" (a number or a decimal in a string)
// and "currency". Nothing when there is no positive finite amount.
std::optional<QString> overageText(const QJsonObject& body) {
    const QJsonValue value = body.value(QLatin1String("current_overage"));
    std::optional<double> amount;
    std::optional<QString> currency = json::string(body, QLatin1String("currency"));
    if (value.isDouble()) {
        amount = json::number(body, QLatin1String("current_overage"));
    } else if (value.isObject()) {
        const QJsonObject overage = value.toObject();
        amount = json::numberOrDecimal(overage, QLatin1String("amount"));
        if (const auto own = json::string(overage, QLatin1String("currency"))) currency = own;
    }
    if (!amount || !(*amount > 0)) return std::nullopt;
    const QString figure = QString::number(*amount, 'f', 2);
    const auto code = currencyCode(currency);
    return code ? *code + QLatin1Char(' ') + figure : figure;
}

// A refusal whose body says the key lacks a permission: the key itself is good.
bool lacksPermission(const QByteArray& body) {
    const auto answer = json::parseObject(body);
    const auto detail = answer ? json::object(*answer, QLatin1String("detail")) : std::nullopt;
    return detail && json::string(*detail, QLatin1String("status")) == QLatin1String("missing_permissions");
}

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

UsageSnapshot ElevenLabsAdapter::snapshotFromAnswer(const UsageAnswer& answer) const {
    if (!answer.failure) return snapshotFromData(answer.body);
    if ((answer.status == 401 || answer.status == 403) && lacksPermission(answer.body))
        return unavailable(UsageUnavailableReason::missingPermission);
    return unavailable(*answer.failure);
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
    if (!isCount(used, 0)) return std::nullopt;
    // A plan that grants no characters has no share to show.
    if (granted == 0.0) return unavailable(UsageUnavailableReason::notMeasured);
    if (!isCount(granted, 1)) return std::nullopt;
    const QString tier = json::string(body, QLatin1String("tier")).value_or(QStringLiteral("Free"));
    // A free plan the service has switched off leaves nothing of its allowance
    // to use, whatever the counts say.
    const bool disabled = json::string(body, QLatin1String("status")) == QLatin1String("free_disabled");
    const double percentage = disabled ? 0.0 : std::clamp(100.0 - *used / *granted * 100.0, 0.0, 100.0);
    const QDateTime at = now();
    // The allowance renews countdown seconds after this answer.
    const auto resetAt = momentAfter(at, characterResetCountdown(body, at));

    // Both are within [0, 2^53): whole parts convert and subtract exactly.
    const auto usedCount = static_cast<int64_t>(*used);
    const auto grantedCount = static_cast<int64_t>(*granted);
    const int64_t left = disabled ? 0 : grantedCount - usedCount;

    QList<ModelQuotaItem> items{
        ModelQuotaItem(QuotaLabel(QuotaKind::tier).withSubject(capitalizeWords(tier)), percentage,
                       QuotaLabel(QuotaKind::charactersUsed)
                           .withAmount(QString::number(usedCount))
                           .withTotal(QString::number(grantedCount)),
                       resetAt),
        ModelQuotaItem(QuotaKind::remainingCharacters, percentage, QuotaLabel(QuotaKind::charactersLeft).withCount(left),
                       resetAt),
    };
    // Past the allowance nothing of it is left: the overage line stands at 0 %.
    if (const auto overage = overageText(body))
        items.append(ModelQuotaItem(QuotaLabel(QuotaKind::overage).withAmount(*overage), 0, QuotaKind::overage, resetAt));

    return success({
        .headlineRemainingPercentage = percentage,
        .weeklyRemainingPercentage = percentage,
        .modelQuotas = items,
        .headlineQuotaName = QuotaKind::characterUsage,
        .headlineResetAt = resetAt,
        .weeklyResetAt = resetAt,
    });
}

} // namespace meterix
