#include "providers/openrouter/OpenRouterAdapter.h"

#include "core/Json.h"
#include "core/L10n.h"
#include "core/QuotaLabel.h"

#include <algorithm>
#include <future>
#include <system_error>

namespace meterix {

namespace {

const QString kCreditsPath = QStringLiteral("/api/v1/credits");
const QString kKeyPath = QStringLiteral("/api/v1/key");

struct Credits {
    double totalCredits = 0;
    double totalUsage = 0;
};

struct KeyBudget {
    std::optional<double> limit;
    std::optional<double> limitRemaining;
    double usage = 0;
    bool isFreeTier = false;
    std::optional<QString> limitReset; // "daily", "weekly", "monthly"

    bool isBudgeted() const { return limit && *limit > 0 && limitRemaining; }
    double percent() const { return std::clamp(*limitRemaining / *limit * 100.0, 0.0, 100.0); }
};

QString money(double amount) { return KeyedAdapter::amountText(QStringLiteral("$"), amount); }

// Both answers wrap their content in a "data" object.
std::optional<QJsonObject> payload(const QByteArray& body) {
    const auto answer = json::parseObject(body);
    if (!answer) return std::nullopt;
    return json::object(*answer, QLatin1String("data"));
}

std::optional<QJsonObject> payload(const UsageAnswer& answer) {
    if (answer.failure) return std::nullopt;
    return payload(answer.body);
}

std::optional<Credits> creditsFrom(const std::optional<QJsonObject>& data) {
    if (!data) return std::nullopt;
    const auto total = json::number(*data, QLatin1String("total_credits"));
    const auto usage = json::number(*data, QLatin1String("total_usage"));
    if (!total || !usage) return std::nullopt;
    return Credits{*total, *usage};
}

std::optional<KeyBudget> keyBudgetFrom(const std::optional<QJsonObject>& data) {
    if (!data) return std::nullopt;
    return KeyBudget{
        json::number(*data, QLatin1String("limit")),
        json::number(*data, QLatin1String("limit_remaining")),
        json::number(*data, QLatin1String("usage")).value_or(0),
        json::boolean(*data, QLatin1String("is_free_tier")).value_or(false),
        json::string(*data, QLatin1String("limit_reset")),
    };
}

// A key answer that can stand for the whole account: it says what the key has
// used and whether it has a limit (null for none).
std::optional<KeyBudget> wholeKeyBudgetFrom(const std::optional<QJsonObject>& data) {
    if (!data || !json::number(*data, QLatin1String("usage"))) return std::nullopt;
    const QJsonValue limit = data->value(QLatin1String("limit"));
    if (!limit.isNull() && !limit.isDouble()) return std::nullopt;
    return keyBudgetFrom(data);
}

// A key's limit resets at midnight UTC: every day, every Monday, or on the first
// of each month.
std::optional<QDateTime> nextKeyReset(const std::optional<QString>& period, const QDateTime& now) {
    if (!period) return std::nullopt;
    const QDate today = now.toUTC().date();
    QDate next;
    if (*period == QLatin1String("daily"))
        next = today.addDays(1);
    else if (*period == QLatin1String("weekly"))
        next = today.addDays(8 - today.dayOfWeek());
    else if (*period == QLatin1String("monthly"))
        next = QDate(today.year(), today.month(), 1).addMonths(1);
    if (!next.isValid()) return std::nullopt;
    return QDateTime(next, QTime(0, 0), Qt::UTC);
}

ModelQuotaItem quotaItem(const KeyBudget& key, const std::optional<QDateTime>& resetAt) {
    const QuotaLabel type = key.isFreeTier ? QuotaKind::freeTierKey : QuotaKind::keyLimit;
    if (key.isBudgeted())
        return ModelQuotaItem(QuotaLabel(QuotaKind::keyBudget).withAmount(money(*key.limitRemaining)).withTotal(money(*key.limit)),
                              key.percent(), type, resetAt);
    return ModelQuotaItem(QuotaLabel(QuotaKind::keyUsed).withAmount(money(key.usage)), 100, type, std::nullopt,
                          QuotaKind::unlimited);
}

// The snapshot's figures by the first row that fits: a budgeted key, prepaid
// credits, an unlimited key; nothing when none does (nothing measured).
std::optional<UsageSnapshot::Fields> folded(std::optional<double> prepaid, double balanceLeft,
                                            const std::optional<KeyBudget>& budget, const QDateTime& now) {
    const auto resetAt = budget && budget->isBudgeted() ? nextKeyReset(budget->limitReset, now) : std::nullopt;

    QList<ModelQuotaItem> items;
    if (budget) items.append(quotaItem(*budget, resetAt));
    if (prepaid)
        items.append(ModelQuotaItem(QuotaLabel(QuotaKind::accountBalance).withAmount(money(balanceLeft)), *prepaid,
                                    QuotaKind::prepaidBalance));

    if (budget && budget->isBudgeted())
        return UsageSnapshot::Fields{.headlineRemainingPercentage = budget->percent(),
                                     .weeklyRemainingPercentage = prepaid,
                                     .modelQuotas = items,
                                     .headlineQuotaName = QuotaKind::keyBudget,
                                     .headlineResetAt = resetAt};
    if (prepaid)
        return UsageSnapshot::Fields{.headlineRemainingPercentage = *prepaid,
                                     .weeklyRemainingPercentage = prepaid,
                                     .modelQuotas = items,
                                     .headlineQuotaName = QuotaKind::accountBalance};
    if (budget && !budget->limit)
        return UsageSnapshot::Fields{.headlineRemainingPercentage = 100,
                                     .modelQuotas = items,
                                     .headlineQuotaName = QuotaKind::keyUnlimited};
    return std::nullopt;
}

} // namespace

OpenRouterAdapter::OpenRouterAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                                     EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::openrouter,
                   ApiKeySource{{QStringLiteral("OPENROUTER_API_KEY")}, QStringLiteral("/.config/openrouter/api_key")},
                   kCreditsPath, transport, std::move(baseAddress), std::move(homeDirectory), std::move(environment),
                   clock) {}

QList<HttpHeader> OpenRouterAdapter::requestHeaders(const QString& key) const {
    return {{"Authorization", "Bearer " + key.toUtf8()}, {"X-Title", "Meterix"}};
}

UsageSnapshot OpenRouterAdapter::fetchUsage(bool) {
    const auto key = resolveCredential();
    if (!key) return unavailable(UsageUnavailableReason::notConfigured);
    const auto creditsUrl = endpointUrl(kCreditsPath);
    const auto keyUrl = endpointUrl(kKeyPath);
    if (!creditsUrl || !keyUrl) return unavailable(UsageUnavailableReason::providerError);

    // The key request runs beside the credits request. The future of an
    // asynchronous task waits for it in its destructor, so no request outlives
    // this call, whichever way it returns.
    const UsageRequest keyRequest = makeRequest(*keyUrl, *key);
    const auto askKey = [this, &keyRequest] { return transport().answer(keyRequest); };
    std::future<UsageAnswer> keyResult;
    try {
        keyResult = std::async(std::launch::async, askKey);
    } catch (const std::system_error&) {
        keyResult = std::async(std::launch::deferred, askKey); // no thread to spare: ask after the credits
    }

    const UsageAnswer credits = transport().answer(makeRequest(*creditsUrl, *key));
    if (credits.failure) {
        // Only management keys may read the account's credits; an ordinary key
        // is refused there but still reads its own budget.
        if (credits.status == 401 || credits.status == 403) {
            if (const auto budget = wholeKeyBudgetFrom(payload(keyResult.get())))
                return snapshot(folded(std::nullopt, 0, budget, now()));
        }
        return unavailable(*credits.failure);
    }
    const auto creditsRead = creditsFrom(payload(credits.body));
    const auto budget = keyBudgetFrom(payload(keyResult.get()));
    if (!creditsRead) return unavailable(UsageUnavailableReason::malformedResponse);

    const double balanceLeft = std::max(0.0, creditsRead->totalCredits - creditsRead->totalUsage);
    // Two huge finite figures can still differ by infinity: no balance then, not "$inf".
    const bool hasPrepaid = creditsRead->totalCredits > 0 && std::isfinite(balanceLeft);
    const std::optional<double> prepaid =
        hasPrepaid ? std::optional(std::clamp(balanceLeft / creditsRead->totalCredits * 100.0, 0.0, 100.0))
                   : std::nullopt;
    return snapshot(folded(prepaid, balanceLeft, budget, now()));
}

UsageSnapshot OpenRouterAdapter::snapshot(const std::optional<UsageSnapshot::Fields>& fields) const {
    return fields ? success(*fields) : unavailable(UsageUnavailableReason::notMeasured);
}

} // namespace meterix
