#include "providers/KimiAdapter.h"

#include "core/Json.h"

#include <algorithm>

namespace meterix {

namespace {

// Keys seldom change; past this many, all are forgotten and learnt again.
constexpr qsizetype kRememberedKeys = 16;

} // namespace

KimiAdapter::KimiAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                         EnvironmentLookup environment, const Clock& clock, QString internationalBaseAddress)
    : KeyedAdapter(AIProviderType::kimi,
                   ApiKeySource{{QStringLiteral("MOONSHOT_API_KEY"), QStringLiteral("KIMI_API_KEY")},
                                QStringLiteral("/.config/moonshot/api_key")},
                   QStringLiteral("/v1/users/me/balance"), transport, std::move(baseAddress),
                   std::move(homeDirectory), std::move(environment), clock),
      internationalBaseAddress_(std::move(internationalBaseAddress)) {}

QList<HttpHeader> KimiAdapter::requestHeaders(const QString& key) const {
    return {{"Authorization", "Bearer " + key.toUtf8()}};
}

UsageSnapshot KimiAdapter::fetchUsage(bool) {
    const auto key = resolveCredential();
    if (!key) return unavailable(UsageUnavailableReason::notConfigured);
    const auto china = endpointUrl(endpointPath());
    const auto international = httpUrl(internationalBalanceEndpoint());
    if (!china || !international) return unavailable(UsageUnavailableReason::providerError);

    const QString fingerprint = UsageSnapshot::fingerprint(*key);
    const auto known = platforms_.withValue([&](QHash<QString, Platform>& platforms) -> std::optional<Platform> {
        const auto it = platforms.constFind(fingerprint);
        if (it == platforms.constEnd()) return std::nullopt;
        return *it;
    });
    Platform platform = known.value_or(Platform::china);
    Answer answer = send(makeRequest(platform == Platform::china ? *china : *international, *key));
    if (!known && answer.status == 401) {
        platform = Platform::international;
        answer = send(makeRequest(*international, *key));
    }
    if (answer.failure) return unavailable(*answer.failure);

    platforms_.withValue([&](QHash<QString, Platform>& platforms) {
        if (platforms.size() >= kRememberedKeys && !platforms.contains(fingerprint)) platforms.clear();
        platforms.insert(fingerprint, platform);
    });
    const auto body = json::parseObject(answer.body);
    auto snapshot = body ? snapshotFromBalance(*body, platform) : std::nullopt;
    return snapshot ? *snapshot : unavailable(UsageUnavailableReason::malformedResponse);
}

std::optional<UsageSnapshot> KimiAdapter::snapshotFromBalance(const QJsonObject& body, Platform platform) const {
    const auto data = json::object(body, QLatin1String("data"));
    if (!data) return std::nullopt;
    const auto available = json::number(*data, QLatin1String("available_balance"));
    if (!available) return std::nullopt;

    const bool dollars = platform == Platform::international;
    const QString sign = dollars ? QStringLiteral("$") : QStringLiteral("¥");
    const auto percentage = [](double amount) { return std::clamp(amount / kFullBalance * 100.0, 0.0, 100.0); };
    const auto item = [&](const char* name, double amount, const QString& type) {
        return ModelQuotaItem(QLatin1String(name) + QLatin1String(" (") + amountText(sign, amount) + QLatin1Char(')'),
                              percentage(amount), type);
    };

    QList<ModelQuotaItem> items{
        item("Total Balance", *available, dollars ? QStringLiteral("USD Balance") : QStringLiteral("CNY Balance"))};
    if (const auto cash = json::number(*data, QLatin1String("cash_balance")))
        items.append(item("Cash Balance", *cash, QStringLiteral("Cash")));
    if (const auto voucher = json::number(*data, QLatin1String("voucher_balance")))
        items.append(item("Vouchers", *voucher, QStringLiteral("Voucher")));

    return success({
        .hourlyRemainingPercentage = percentage(*available),
        .weeklyRemainingPercentage = percentage(*available),
        .modelQuotas = items,
    });
}

} // namespace meterix
