#include "providers/deepseek/DeepSeekAdapter.h"

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
    if (!infos) return std::nullopt;
    // An account without any balance entry has no figure to show.
    if (infos->isEmpty()) return unavailable(UsageUnavailableReason::notMeasured);
    if (!std::all_of(infos->begin(), infos->end(), [](const QJsonValue& v) { return v.isObject(); }))
        return std::nullopt;

    // One balance per currency. The first must be readable; a later one that is
    // not is left out. The headline is the first funded one: an account listing
    // an empty USD balance before its yuan must not read as empty.
    struct Balance {
        QJsonObject info;
        QString totalText;
        double total = 0;
        QString currency;
    };
    QList<Balance> balances;
    for (const QJsonValue& value : *infos) {
        const QJsonObject info = value.toObject();
        const auto totalText = json::string(info, QLatin1String("total_balance"));
        const auto total = totalText ? decimalFromText(*totalText) : std::nullopt;
        if (!total) {
            if (balances.isEmpty()) return std::nullopt;
            continue;
        }
        balances.append({info, *totalText, *total,
                         json::string(info, QLatin1String("currency")).value_or(QStringLiteral("USD"))});
    }
    const auto funded = std::find_if(balances.cbegin(), balances.cend(), [](const Balance& b) { return b.total > 0; });
    const Balance& headline = funded != balances.cend() ? *funded : balances.first();

    const bool available = json::boolean(body, QLatin1String("is_available")) != false;
    const auto percentage = [&](double total) {
        return available ? std::clamp(total / kFullBalance * 100.0, 0.0, 100.0) : 0.0;
    };
    const auto name = [](QuotaKind what, const QString& currency, const QString& amount) {
        return QuotaLabel(what).withCurrency(currency).withAmount(amount);
    };

    QList<ModelQuotaItem> items;
    for (const Balance& b : balances) {
        ModelQuotaItem item(name(QuotaKind::totalBalance, b.currency, b.totalText), percentage(b.total),
                            QuotaKind::accountBalanceType);
        // Item names identify lines: a currency listed twice with the same amount shows once.
        if (std::none_of(items.cbegin(), items.cend(), [&](const ModelQuotaItem& i) { return i.name == item.name; }))
            items.append(item);
    }
    const double p = percentage(headline.total);
    const QString granted =
        json::string(headline.info, QLatin1String("granted_balance")).value_or(QStringLiteral("0.00"));
    const QString topped =
        json::string(headline.info, QLatin1String("topped_up_balance")).value_or(QStringLiteral("0.00"));
    items.append(ModelQuotaItem(name(QuotaKind::grantedBalance, headline.currency, granted), p, QuotaKind::credits));
    items.append(ModelQuotaItem(name(QuotaKind::toppedUp, headline.currency, topped), p, QuotaKind::credits));

    return success({
        .headlineRemainingPercentage = p,
        .weeklyRemainingPercentage = p,
        .modelQuotas = items,
    });
}

} // namespace meterix
