#include "providers/kimi/KimiAdapter.h"

#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"

#include <algorithm>

namespace meterix {

namespace {

// Keys seldom change; past this many, all are forgotten and learnt again.
constexpr qsizetype kRememberedKeys = 16;

const QString kCodingUsagePath = QStringLiteral("/usages");

// One usage window of the coding plan: what is left of it and when it renews.
struct Window {
    double percentage = 0;
    std::optional<QDateTime> resetAt;
};

// A window as Kimi's client reads it: "limit" with "used", or "limit" with
// "remaining" (used = limit - remaining); counts may be numbers or decimal
// texts. A limit of 0 or less leaves nothing. The renewal is a moment
// ("reset_at", "resetAt", "reset_time", "resetTime") or seconds from now
// ("reset_in", "resetIn", "ttl").
std::optional<Window> windowFrom(const QJsonObject& data, const QDateTime& now) {
    const auto limit = json::numberOrDecimal(data, QLatin1String("limit"));
    auto used = json::numberOrDecimal(data, QLatin1String("used"));
    if (!used) {
        const auto remaining = json::numberOrDecimal(data, QLatin1String("remaining"));
        if (remaining && limit) used = *limit - *remaining;
    }
    if (!limit) return std::nullopt;
    Window window;
    if (*limit > 0) window.percentage = std::clamp((*limit - used.value_or(0)) / *limit * 100.0, 0.0, 100.0);
    for (const char* key : {"reset_at", "resetAt", "reset_time", "resetTime"}) {
        if (const auto text = json::string(data, QLatin1String(key))) {
            window.resetAt = parseRfc3339(*text);
            if (window.resetAt) break;
        }
    }
    if (!window.resetAt) {
        for (const char* key : {"reset_in", "resetIn", "ttl"}) {
            const auto seconds = json::numberOrDecimal(data, QLatin1String(key));
            if (seconds && *seconds > 0 && *seconds <= kMaxCountdownSeconds) {
                const QDateTime at = addSeconds(now, *seconds);
                if (at.isValid()) window.resetAt = at;
                break;
            }
        }
    }
    return window;
}

// Whether a limit's window ("window": {"duration", "timeUnit"}) spans five hours.
bool isFiveHourWindow(const QJsonObject& item) {
    const auto window = json::object(item, QLatin1String("window")).value_or(item);
    const auto duration = json::numberOrDecimal(window, QLatin1String("duration"));
    const QString unit = json::string(window, QLatin1String("timeUnit")).value_or(QString());
    if (!duration) return false;
    if (unit.contains(QLatin1String("MINUTE"))) return *duration == 300;
    if (unit.contains(QLatin1String("HOUR"))) return *duration == 5;
    return false;
}

} // namespace

KimiAdapter::KimiAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                         EnvironmentLookup environment, const Clock& clock, QString internationalBaseAddress,
                         QString codingBaseAddress)
    : KeyedAdapter(AIProviderType::kimi,
                   ApiKeySource{{QStringLiteral("MOONSHOT_API_KEY"), QStringLiteral("KIMI_API_KEY")},
                                QStringLiteral("/.config/moonshot/api_key")},
                   QStringLiteral("/v1/users/me/balance"), transport, std::move(baseAddress),
                   std::move(homeDirectory), std::move(environment), clock),
      internationalBaseAddress_(std::move(internationalBaseAddress)), codingBaseAddress_(std::move(codingBaseAddress)) {
}

QString KimiAdapter::codingUsageEndpoint() const { return joinAddress(codingBaseAddress_, kCodingUsagePath); }

bool KimiAdapter::isCodingPlanKey(const QString& key) { return key.startsWith(QLatin1String("sk-kimi-")); }

QList<HttpHeader> KimiAdapter::requestHeaders(const QString& key) const {
    return {{"Authorization", "Bearer " + key.toUtf8()}};
}

UsageAnswer KimiAdapter::ask(const QString& key) const {
    if (isCodingPlanKey(key)) {
        const auto coding = httpUrl(codingUsageEndpoint());
        if (!coding) return UsageAnswer::failed(UsageUnavailableReason::providerError);
        return transport().answer(makeRequest(*coding, key));
    }
    const auto china = endpointUrl(endpointPath());
    const auto international = httpUrl(internationalBalanceEndpoint());
    if (!china || !international) return UsageAnswer::failed(UsageUnavailableReason::providerError);

    const QString fingerprint = UsageSnapshot::fingerprint(key);
    const auto known = platforms_.withValue([&](QHash<QString, Platform>& platforms) -> std::optional<Platform> {
        const auto it = platforms.constFind(fingerprint);
        if (it == platforms.constEnd()) return std::nullopt;
        return *it;
    });
    Platform platform = known.value_or(Platform::china);
    UsageAnswer answer = transport().answer(makeRequest(platform == Platform::china ? *china : *international, key));
    if (!known && answer.status == 401) {
        platform = Platform::international;
        answer = transport().answer(makeRequest(*international, key));
    }
    if (!answer.failure)
        platforms_.withValue([&](QHash<QString, Platform>& platforms) {
            if (platforms.size() >= kRememberedKeys && !platforms.contains(fingerprint)) platforms.clear();
            platforms.insert(fingerprint, platform);
        });
    return answer;
}

UsageSnapshot KimiAdapter::snapshotFromAnswer(const UsageAnswer& answer) const {
    if (answer.url.isValid() && answer.url == httpUrl(codingUsageEndpoint())) return snapshotFromCodingAnswer(answer);
    if (answer.failure) return unavailable(*answer.failure);
    // The China host is asked first, so an address both platforms share reads as China's.
    const Platform platform =
        answer.url == endpointUrl(endpointPath()) ? Platform::china : Platform::international;
    const auto body = json::parseObject(answer.body);
    auto snapshot = body ? snapshotFromBalance(*body, platform) : std::nullopt;
    return snapshot ? *snapshot : unavailable(UsageUnavailableReason::malformedResponse);
}

UsageSnapshot KimiAdapter::snapshotFromCodingAnswer(const UsageAnswer& answer) const {
    // Whatever goes wrong, the snapshot names the key for what it is.
    const auto planKey = [&](UsageUnavailableReason reason) {
        return UsageSnapshot::unavailable(AIProviderType::kimi, reason, std::nullopt,
                                          QuotaLabel::providerWord("kimi", "codingPlanKey"), std::nullopt, std::nullopt, now());
    };
    if (answer.failure) return planKey(*answer.failure);
    const auto body = json::parseObject(answer.body);
    if (!body) return planKey(UsageUnavailableReason::malformedResponse);

    const QDateTime at = now();
    // "usage" is the weekly allowance; "limits" the shorter windows, each with
    // its figures in "detail" (or in itself).
    const auto usage = json::object(*body, QLatin1String("usage"));
    const auto weekly = usage ? windowFrom(*usage, at) : std::nullopt;
    std::optional<Window> shortWindow;
    bool fiveHours = false;
    for (const QJsonValue& value : json::array(*body, QLatin1String("limits")).value_or(QJsonArray())) {
        if (!value.isObject()) continue;
        const QJsonObject item = value.toObject();
        const auto window = windowFrom(json::object(item, QLatin1String("detail")).value_or(item), at);
        if (!window) continue;
        const bool isFive = isFiveHourWindow(item);
        if (!shortWindow || (isFive && !fiveHours)) {
            shortWindow = window;
            fiveHours = isFive;
        }
    }
    if (!weekly && !shortWindow) return planKey(UsageUnavailableReason::notMeasured);

    const QuotaLabel shortName =
        fiveHours ? QuotaLabel(QuotaKind::window).withCount(5 * 60) : QuotaLabel(QuotaKind::requestRateLimit);
    QList<ModelQuotaItem> items;
    if (shortWindow)
        items.append(ModelQuotaItem(shortName, shortWindow->percentage, shortName, shortWindow->resetAt));
    if (weekly)
        items.append(ModelQuotaItem(QuotaKind::weeklyWindow, weekly->percentage, QuotaKind::weeklyWindow,
                                    weekly->resetAt));
    const Window& hourly = shortWindow ? *shortWindow : *weekly;
    const std::optional<Window> week = shortWindow ? weekly : std::nullopt;
    return success({
        .headlineRemainingPercentage = hourly.percentage,
        .weeklyRemainingPercentage = week ? std::optional(week->percentage) : std::nullopt,
        .modelQuotas = items,
        .planName = QuotaLabel::providerWord("kimi", "codingPlan"),
        .headlineQuotaName = shortWindow ? shortName : QuotaLabel(QuotaKind::weeklyWindow),
        .headlineResetAt = hourly.resetAt,
        .weeklyResetAt = week ? week->resetAt : std::nullopt,
    });
}

std::optional<UsageSnapshot> KimiAdapter::snapshotFromBalance(const QJsonObject& body, Platform platform) const {
    const auto data = json::object(body, QLatin1String("data"));
    if (!data) return std::nullopt;
    const auto available = json::number(*data, QLatin1String("available_balance"));
    if (!available) return std::nullopt;

    const bool dollars = platform == Platform::international;
    const QString sign = dollars ? QStringLiteral("$") : QStringLiteral("¥");
    const auto percentage = [](double amount) { return std::clamp(amount / kFullBalance * 100.0, 0.0, 100.0); };
    const auto item = [&](QuotaKind name, double amount, const QuotaLabel& type) {
        return ModelQuotaItem(QuotaLabel(name).withAmount(amountText(sign, amount)), percentage(amount), type);
    };

    QList<ModelQuotaItem> items{
        item(QuotaKind::totalBalance, *available,
             QuotaLabel(QuotaKind::currencyBalance).withCurrency(dollars ? QStringLiteral("USD") : QStringLiteral("CNY")))};
    if (const auto cash = json::number(*data, QLatin1String("cash_balance")))
        items.append(item(QuotaKind::cashBalance, *cash, QuotaKind::cash));
    if (const auto voucher = json::number(*data, QLatin1String("voucher_balance")))
        items.append(item(QuotaKind::vouchers, *voucher, QuotaKind::voucher));

    return success({
        .headlineRemainingPercentage = percentage(*available),
        .weeklyRemainingPercentage = percentage(*available),
        .modelQuotas = items,
    });
}

} // namespace meterix
