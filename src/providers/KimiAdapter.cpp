#include "providers/KimiAdapter.h"

#include "core/Json.h"

#include <algorithm>

namespace meterix {

KimiAdapter::KimiAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                         EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::kimi,
                   ApiKeySource{{QStringLiteral("MOONSHOT_API_KEY"), QStringLiteral("KIMI_API_KEY")},
                                QStringLiteral("/.config/moonshot/api_key")},
                   QStringLiteral("/v1/users/me/balance"), transport, std::move(baseAddress),
                   std::move(homeDirectory), std::move(environment), clock) {}

QList<HttpHeader> KimiAdapter::requestHeaders(const QString& key) const {
    return {{"Authorization", "Bearer " + key.toUtf8()}};
}

std::optional<UsageSnapshot> KimiAdapter::snapshotFromBody(const QJsonObject& body) const {
    const auto data = json::object(body, QLatin1String("data"));
    if (!data) return std::nullopt;
    const auto available = json::number(*data, QLatin1String("available_balance"));
    if (!available) return std::nullopt;

    const auto percentage = [](double amount) { return std::clamp(amount / kFullBalance * 100.0, 0.0, 100.0); };
    const auto item = [&](const char* name, double amount, const char* type) {
        return ModelQuotaItem(QLatin1String(name) + QLatin1String(" (") + amountText(QStringLiteral("¥"), amount) +
                                  QLatin1Char(')'),
                              percentage(amount), QLatin1String(type));
    };

    QList<ModelQuotaItem> items{item("Total Balance", *available, "CNY Balance")};
    if (const auto cash = json::number(*data, QLatin1String("cash_balance")))
        items.append(item("Cash Balance", *cash, "Cash"));
    if (const auto voucher = json::number(*data, QLatin1String("voucher_balance")))
        items.append(item("Vouchers", *voucher, "Voucher"));

    return success({
        .hourlyRemainingPercentage = percentage(*available),
        .weeklyRemainingPercentage = percentage(*available),
        .modelQuotas = items,
    });
}

} // namespace meterix
