#include "providers/OpenRouterAdapter.h"

#include "core/Json.h"
#include "core/L10n.h"

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

    bool isBudgeted() const { return limit && *limit > 0 && limitRemaining; }
    double percent() const { return std::clamp(*limitRemaining / *limit * 100.0, 0.0, 100.0); }
};

QString money(double amount) { return KeyedAdapter::amountText(QStringLiteral("$"), amount); }

// Both answers wrap their content in a "data" object.
std::optional<QJsonObject> payload(const UsageFetchResult& result) {
    if (!result.isSuccess()) return std::nullopt;
    const auto body = json::parseObject(result.data());
    if (!body) return std::nullopt;
    return json::object(*body, QLatin1String("data"));
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
    };
}

ModelQuotaItem quotaItem(const KeyBudget& key) {
    const QString type = key.isFreeTier ? QStringLiteral("Free Tier Key") : QStringLiteral("Key Limit");
    if (key.isBudgeted())
        return ModelQuotaItem(L10n::openRouterKeyBudgetWith(money(*key.limitRemaining), money(*key.limit)).text(),
                              key.percent(), type);
    return ModelQuotaItem(L10n::openRouterKeyUsed(money(key.usage)).text(), 100, type, std::nullopt, std::nullopt,
                          L10n::unlimited().text());
}

} // namespace

OpenRouterAdapter::OpenRouterAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                                     EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::openrouter,
                   ApiKeySource{{QStringLiteral("OPENROUTER_API_KEY")}, QStringLiteral("/.config/openrouter/api_key")},
                   kCreditsPath, transport, std::move(baseAddress), std::move(homeDirectory), std::move(environment),
                   clock) {}

QString OpenRouterAdapter::creditsEndpoint() const { return endpointString(kCreditsPath); }

QString OpenRouterAdapter::keyEndpoint() const { return endpointString(kKeyPath); }

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
    const auto askKey = [this, &keyRequest] { return transport().usageData(keyRequest); };
    std::future<UsageFetchResult> keyResult;
    try {
        keyResult = std::async(std::launch::async, askKey);
    } catch (const std::system_error&) {
        keyResult = std::async(std::launch::deferred, askKey); // no thread to spare: ask after the credits
    }

    const UsageFetchResult creditsResult = transport().usageData(makeRequest(*creditsUrl, *key));
    if (!creditsResult.isSuccess()) return unavailable(creditsResult.reason());
    const auto credits = creditsFrom(payload(creditsResult));
    const auto budget = keyBudgetFrom(payload(keyResult.get()));
    if (!credits) return unavailable(UsageUnavailableReason::malformedResponse);

    const double balanceLeft = std::max(0.0, credits->totalCredits - credits->totalUsage);
    // Two huge finite figures can still differ by infinity: no balance then, not "$inf".
    const bool hasPrepaid = credits->totalCredits > 0 && std::isfinite(balanceLeft);
    const std::optional<double> prepaid =
        hasPrepaid ? std::optional(std::clamp(balanceLeft / credits->totalCredits * 100.0, 0.0, 100.0))
                   : std::nullopt;

    QList<ModelQuotaItem> items;
    if (budget) items.append(quotaItem(*budget));
    if (prepaid)
        items.append(ModelQuotaItem(L10n::openRouterAccountBalanceWith(money(balanceLeft)).text(), *prepaid,
                                    QStringLiteral("Prepaid Balance")));

    if (budget && budget->isBudgeted())
        return success({.hourlyRemainingPercentage = budget->percent(),
                        .weeklyRemainingPercentage = prepaid,
                        .modelQuotas = items,
                        .hourlyQuotaName = L10n::openRouterKeyBudget().text()});
    if (prepaid)
        return success({.hourlyRemainingPercentage = *prepaid,
                        .weeklyRemainingPercentage = prepaid,
                        .modelQuotas = items,
                        .hourlyQuotaName = L10n::openRouterAccountBalance().text()});
    if (budget && !budget->limit)
        return success({.hourlyRemainingPercentage = 100,
                        .modelQuotas = items,
                        .hourlyQuotaName = L10n::openRouterKeyUnlimited().text()});
    return unavailable(UsageUnavailableReason::notMeasured);
}

} // namespace meterix
