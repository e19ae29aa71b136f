#include "providers/copilot/CopilotAdapter.h"

#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/L10n.h"
#include "core/Paths.h"
#include "core/QuotaLabel.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"

#include <algorithm>

namespace meterix {

namespace {

const QStringList& tokenVariables() {
    static const QStringList names{QStringLiteral("GITHUB_TOKEN"), QStringLiteral("COPILOT_TOKEN")};
    return names;
}

const QString kPublicHost = QStringLiteral("github.com");

// Entries are keyed by the host the token was issued for ("github.com", an
// enterprise host, or "github.com:<app id>"). The usage endpoint is the public
// GitHub API, so only public-host tokens may be sent there.
bool isPublicHostEntry(const QString& key) {
    return key == kPublicHost || key.startsWith(kPublicHost + QLatin1Char(':'));
}

// One allowance as the Copilot clients read it today: "entitlement" (a number
// or a decimal text) with "percent_remaining", else "remaining" or
// "quota_remaining" of the entitlement; "unlimited"; "has_quota"; and its own
// renewal in "quota_reset_at". An allowance that grants nothing (entitlement 0,
// not unlimited) is no figure. Under token-based billing "has_quota" is false
// on every limited allowance, so it says nothing there; on the unlimited
// (pooled) premium allowance of an organisation it says the pool is used up,
// which the clients count as exhausted.
struct Allowance {
    bool recognised = false;          // the answer describes this allowance
    std::optional<double> percentage; // no item without it
    bool unlimited = false;
    std::optional<QuotaLabel> counts; // remaining of the entitlement
    std::optional<QDateTime> resetAt;
};

// Counts as the answer gives them: 300, -1, 287.5.
QString countText(double value) { return QString::number(value, 'g', 15); }

// A moment written as Unix seconds, a date ("2026-02-01", midnight UTC) or an
// RFC 3339 moment.
std::optional<QDateTime> momentFrom(const QJsonObject& object, QLatin1StringView key) {
    if (const auto seconds = json::number(object, key)) {
        if (!(*seconds > 0 && *seconds < 253402300800.0)) return std::nullopt; // before year 10000
        return QDateTime::fromSecsSinceEpoch(static_cast<qint64>(*seconds), Qt::UTC);
    }
    const auto text = json::string(object, key);
    if (!text) return std::nullopt;
    if (auto at = parseRfc3339(*text)) return at;
    if (text->size() != 10) return std::nullopt;
    const QDate day = QDate::fromString(*text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid()) return std::nullopt;
    return QDateTime(day, QTime(0, 0), Qt::UTC);
}

Allowance currentAllowance(const QJsonObject& allowance, bool pooled) {
    const QJsonValue unlimitedValue = allowance.value(QLatin1String("unlimited"));
    // A flag written as anything but a boolean leaves the allowance unread.
    if (!unlimitedValue.isUndefined() && !unlimitedValue.isNull() && !unlimitedValue.isBool()) return {};
    const auto resetAt = momentFrom(allowance, QLatin1String("quota_reset_at"));
    if (unlimitedValue.toBool()) {
        // A pooled allowance whose pool is spent: nothing is left of it.
        if (pooled && json::boolean(allowance, QLatin1String("has_quota")) == false)
            return {true, 0.0, false, std::nullopt, resetAt};
        return {true, 100.0, true, std::nullopt, resetAt};
    }
    const auto entitlement = json::numberOrDecimal(allowance, QLatin1String("entitlement"));
    if (!entitlement) return {};
    if (!(*entitlement > 0)) return {true, std::nullopt, false, std::nullopt, std::nullopt};
    auto left = json::numberOrDecimal(allowance, QLatin1String("remaining"));
    if (!left) left = json::numberOrDecimal(allowance, QLatin1String("quota_remaining"));
    // percent_remaining goes below 0 once an allowance is overdrawn (-0.33).
    auto percentage = json::number(allowance, QLatin1String("percent_remaining"));
    if (!percentage && left) percentage = *left / *entitlement * 100.0;
    if (!percentage) return {};
    return {true, std::clamp(*percentage, 0.0, 100.0), false,
            left ? std::optional(QuotaLabel(QuotaKind::amountOfTotal).withAmount(countText(*left)).withTotal(countText(*entitlement)))
                 : std::nullopt,
            resetAt};
}

Allowance readAllowance(const QString& name, const QJsonObject& quotas) {
    if (const auto older = CopilotAdapter::remaining(name, quotas)) return {true, older, false, std::nullopt, {}};
    const QJsonValue value = quotas.value(name);
    if (!value.isObject()) return {};
    return currentAllowance(value.toObject(), name == QLatin1String("premium_interactions"));
}

// The older free-plan answer: what is left in "limited_user_quotas" of the
// month's "monthly_quotas". A month of 0 (or none) is no figure.
Allowance limitedAllowance(QLatin1StringView name, const QJsonObject& body) {
    const auto left = json::object(body, QLatin1String("limited_user_quotas"));
    const auto month = json::object(body, QLatin1String("monthly_quotas"));
    if (!left || !month) return {};
    const auto remaining = json::numberOrDecimal(*left, name);
    const auto total = json::numberOrDecimal(*month, name);
    if (!remaining || !total) return {};
    if (!(*total > 0)) return {true, std::nullopt, false, std::nullopt, std::nullopt};
    return {true, std::clamp(*remaining / *total * 100.0, 0.0, 100.0), false,
            QuotaLabel(QuotaKind::amountOfTotal).withAmount(countText(*remaining)).withTotal(countText(*total)),
            std::nullopt};
}

// When the allowances renew: "quota_reset_date_utc", else "quota_reset_date",
// else the free plan's "limited_user_reset_date".
std::optional<QDateTime> resetDate(const QJsonObject& body) {
    if (const auto text = json::string(body, QLatin1String("quota_reset_date_utc")))
        if (auto at = parseRfc3339(*text)) return at;
    if (auto at = momentFrom(body, QLatin1String("quota_reset_date"))) return at;
    return momentFrom(body, QLatin1String("limited_user_reset_date"));
}

} // namespace

CopilotAdapter::CopilotAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                               EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::copilot, ApiKeySource{tokenVariables(), QString()},
                   QStringLiteral("/copilot_internal/user"), transport, std::move(baseAddress),
                   std::move(homeDirectory), std::move(environment), clock) {}

QString CopilotAdapter::configFolder() const {
    // Where the Copilot editor clients keep their sign-ins: the config home, under github-copilot.
    const auto xdg = environment() ? environment()(QStringLiteral("XDG_CONFIG_HOME")) : std::nullopt;
    return joinPath(configHome(homeDirectory(), xdg.value_or(QString())), QStringLiteral("github-copilot"));
}

QString CopilotAdapter::configPath() const { return joinPath(configFolder(), QStringLiteral("hosts.json")); }

QString CopilotAdapter::appsConfigPath() const { return joinPath(configFolder(), QStringLiteral("apps.json")); }

bool CopilotAdapter::isDetected() const {
    if (ApiKeySource::environmentValue(tokenVariables(), environment())) return true;
    return exists(configPath()) || exists(appsConfigPath());
}

std::optional<QString> CopilotAdapter::tokenFromHostFile(const QString& path) const {
    const auto bytes = readRegularFile(path, kSettingsFileReadCap);
    if (!bytes) return std::nullopt;
    const auto hosts = json::parseObject(*bytes);
    if (!hosts) return std::nullopt;
    // A fixed order: the plain public host first, then its app entries by name.
    QStringList keys = hosts->keys();
    std::sort(keys.begin(), keys.end(), [](const QString& a, const QString& b) {
        if ((a == kPublicHost) != (b == kPublicHost)) return a == kPublicHost;
        return a < b;
    });
    for (const QString& key : keys) {
        if (!isPublicHostEntry(key)) continue;
        const QJsonValue entry = hosts->value(key);
        if (!entry.isObject()) continue;
        const auto token = json::string(entry.toObject(), QLatin1String("oauth_token"));
        if (token && isUsableCredential(*token)) return token;
    }
    return std::nullopt;
}

std::optional<QString> CopilotAdapter::resolveCredential() const {
    if (const auto value = ApiKeySource::environmentValue(tokenVariables(), environment());
        value && isUsableCredential(*value))
        return value;
    if (auto token = tokenFromHostFile(configPath())) return token;
    return tokenFromHostFile(appsConfigPath());
}

SetupLookup CopilotAdapter::credentialLookup() const {
    return {tokenVariables(),
            {ApiKeySource::shownPath(configPath(), homeDirectory()),
             ApiKeySource::shownPath(appsConfigPath(), homeDirectory())},
            {}};
}

QList<HttpHeader> CopilotAdapter::requestHeaders(const QString& token) const {
    return {{"Authorization", "token " + token.toUtf8()},
            {"Editor-Version", "vscode/1.96.2"},
            {"Editor-Plugin-Version", "CopilotChat/0.24.1"},
            {"User-Agent", "Meterix"}};
}

std::optional<double> CopilotAdapter::remaining(const QString& allowance, const QJsonObject& quotaSnapshots) {
    const QJsonValue value = quotaSnapshots.value(allowance);
    if (!value.isObject()) return std::nullopt;
    const QJsonObject entry = value.toObject();
    auto used = json::number(entry, QLatin1String("credits_used"));
    if (!used) used = json::number(entry, QLatin1String("used"));
    auto granted = json::number(entry, QLatin1String("credits_total"));
    if (!granted) granted = json::number(entry, QLatin1String("limit"));
    if (!used || !granted || !(*granted > 0)) return std::nullopt;
    return std::clamp(100.0 - *used / *granted * 100.0, 0.0, 100.0);
}

std::optional<UsageSnapshot> CopilotAdapter::snapshotFromBody(const QJsonObject& body) const {
    const auto quotas = json::object(body, QLatin1String("quota_snapshots"));
    const bool limitedPlan = json::object(body, QLatin1String("limited_user_quotas")).has_value();
    if (!quotas && !limitedPlan) return std::nullopt;
    const struct {
        const char* key;
        const char* limitedKey; // in the older free-plan answer
        QuotaKind name;
    } kinds[] = {{"premium_interactions", nullptr, QuotaKind::premiumInteractions},
                 {"chat", "chat", QuotaKind::chatRequests},
                 {"completions", "completions", QuotaKind::completions}};

    // A renewal already past gives no countdown; only an answer without any
    // renewal date shows the ten days.
    const auto renewal = resetDate(body);
    const auto ahead = [&](const std::optional<QDateTime>& at) -> std::optional<QDateTime> {
        if (secondsUntil(now(), at)) return at;
        return std::nullopt;
    };
    const std::optional<QDateTime> resetAt = ahead(renewal);
    const std::optional<QDateTime> windowReset = renewal ? resetAt : momentAfter(now(), kResetCountdown);

    QList<ModelQuotaItem> items;
    bool recognised = false;
    std::optional<double> headline;
    std::optional<double> chat;
    for (const auto& kind : kinds) {
        Allowance allowance = quotas ? readAllowance(QLatin1String(kind.key), *quotas) : Allowance{};
        if (!allowance.recognised && kind.limitedKey) allowance = limitedAllowance(QLatin1String(kind.limitedKey), body);
        recognised = recognised || allowance.recognised;
        if (!allowance.percentage) continue;
        // An allowance's own renewal governs it over the account's.
        const auto itemReset = allowance.resetAt ? ahead(allowance.resetAt) : resetAt;
        items.append(ModelQuotaItem(kind.name, *allowance.percentage, allowance.counts.value_or(QuotaKind::monthly),
                                    itemReset,
                                    allowance.unlimited ? std::optional<QuotaLabel>(QuotaKind::unlimited) : std::nullopt));
        if (!headline && !allowance.unlimited) headline = allowance.percentage;
        if (qstrcmp(kind.key, "chat") == 0) chat = allowance.percentage;
    }
    if (items.isEmpty())
        return recognised ? std::optional(unavailable(UsageUnavailableReason::notMeasured)) : std::nullopt;

    std::optional<QString> plan;
    if (const auto name = json::string(body, QLatin1String("copilot_plan")); name && !name->trimmed().isEmpty())
        plan = capitalizeWords(QString(*name).replace(QLatin1Char('_'), QLatin1Char(' ')));
    return success({
        .headlineRemainingPercentage = headline.value_or(100.0),
        .weeklyRemainingPercentage = chat,
        .modelQuotas = items,
        .planName = plan,
        .headlineResetAt = windowReset,
        .weeklyResetAt = chat ? windowReset : std::nullopt,
    });
}

} // namespace meterix
