#include "providers/DeepSeekAdapter.h"

#include "core/Json.h"

#include <algorithm>

namespace meterix {

DeepSeekAdapter::DeepSeekAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                                 EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::deepseek,
                   ApiKeySource{{QStringLiteral("DEEPSEEK_API_KEY")}, QStringLiteral("/.config/deepseek/api_key")},
                   QStringLiteral("/user/balance"), transport, std::move(baseAddress), std::move(homeDirectory),
                   std::move(environment), clock) {}

QList<HttpHeader> DeepSeekAdapter::requestHeaders(const QString& key) const {
    return {{"Authorization", "Bearer " + key.toUtf8()}, {"Accept", "application/json"}};
}

std::optional<UsageSnapshot> DeepSeekAdapter::snapshotFromBody(const QJsonObject& body) const {
    const auto infos = json::array(body, QLatin1String("balance_infos"));
    if (!infos || infos->isEmpty()) return std::nullopt;
    if (!std::all_of(infos->begin(), infos->end(), [](const QJsonValue& v) { return v.isObject(); }))
        return std::nullopt;
    const QJsonObject first = infos->first().toObject();
    const auto totalText = json::string(first, QLatin1String("total_balance"));
    const auto total = totalText ? decimalFromText(*totalText) : std::nullopt;
    if (!total) return std::nullopt;

    const QString currency = json::string(first, QLatin1String("currency")).value_or(QStringLiteral("USD"));
    const QString granted = json::string(first, QLatin1String("granted_balance")).value_or(QStringLiteral("0.00"));
    const QString topped = json::string(first, QLatin1String("topped_up_balance")).value_or(QStringLiteral("0.00"));

    double percentage = std::clamp(*total / kFullBalance * 100.0, 0.0, 100.0);
    if (json::boolean(body, QLatin1String("is_available")) == false) percentage = 0;

    const QString prefix = QLatin1String(" (") + currency + QLatin1Char(' ');
    return success({
        .hourlyRemainingPercentage = percentage,
        .weeklyRemainingPercentage = percentage,
        .modelQuotas =
            {
                ModelQuotaItem(QLatin1String("Total Balance") + prefix + *totalText + QLatin1Char(')'), percentage,
                               QStringLiteral("Account Balance")),
                ModelQuotaItem(QLatin1String("Granted Balance") + prefix + granted + QLatin1Char(')'), percentage,
                               QStringLiteral("Credits")),
                ModelQuotaItem(QLatin1String("Topped Up") + prefix + topped + QLatin1Char(')'), percentage,
                               QStringLiteral("Credits")),
            },
    });
}

} // namespace meterix
