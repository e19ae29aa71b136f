#include "providers/CopilotAdapter.h"

#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/L10n.h"
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

// One allowance of "quota_snapshots" as the service describes it today:
// "entitlement" with "remaining" (or "quota_remaining") and "percent_remaining",
// "unlimited", and "has_quota" on free seats.
struct Allowance {
    bool recognised = false;          // the answer describes this allowance
    std::optional<double> percentage; // no item without it
    bool unlimited = false;
    std::optional<QString> counts; // "remaining / entitlement"
};

// Counts as the answer gives them: 300, -1, 287.5.
QString countText(double value) { return QString::number(value, 'g', 15); }

Allowance currentAllowance(const QJsonObject& allowance) {
    if (json::boolean(allowance, QLatin1String("unlimited")) == true) return {true, 100.0, true, std::nullopt};
    if (json::boolean(allowance, QLatin1String("has_quota")) == false) return {true, std::nullopt, false, std::nullopt};
    const auto entitlement = json::number(allowance, QLatin1String("entitlement"));
    if (!entitlement) return {};
    if (!(*entitlement > 0)) return {true, std::nullopt, false, std::nullopt};
    auto left = json::number(allowance, QLatin1String("remaining"));
    if (!left) left = json::number(allowance, QLatin1String("quota_remaining"));
    // percent_remaining goes below 0 once an allowance is overdrawn (-0.33).
    auto percentage = json::number(allowance, QLatin1String("percent_remaining"));
    if (!percentage && left) percentage = *left / *entitlement * 100.0;
    if (!percentage) return {};
    return {true, std::clamp(*percentage, 0.0, 100.0), false,
            left ? std::optional(countText(*left) + QStringLiteral(" / ") + countText(*entitlement)) : std::nullopt};
}

Allowance readAllowance(const QString& name, const QJsonObject& quotas) {
    if (const auto older = CopilotAdapter::remaining(name, quotas)) return {true, older, false, std::nullopt};
    const QJsonValue value = quotas.value(name);
    if (!value.isObject()) return {};
    return currentAllowance(value.toObject());
}

// When the allowances renew: "quota_reset_date_utc", else "quota_reset_date"
// (a date, at midnight UTC).
std::optional<QDateTime> resetDate(const QJsonObject& body) {
    if (const auto text = json::string(body, QLatin1String("quota_reset_date_utc")))
        if (auto at = parseRfc3339(*text)) return at;
    const auto text = json::string(body, QLatin1String("quota_reset_date"));
    if (!text || text->size() != 10) return std::nullopt;
    const QDate day = QDate::fromString(*text, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid()) return std::nullopt;
    return QDateTime(day, QTime(0, 0), Qt::UTC);
}

} // namespace

CopilotAdapter::CopilotAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                               EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::copilot, ApiKeySource{tokenVariables(), QString()},
                   QStringLiteral("/copilot_internal/user"), transport, std::move(baseAddress),
                   std::move(homeDirectory), std::move(environment), clock) {}

QString CopilotAdapter::configPath() const {
    return joinPath(homeDirectory(), QStringLiteral("/.config/github-copilot/hosts.json"));
}

QString CopilotAdapter::appsConfigPath() const {
    return joinPath(homeDirectory(), QStringLiteral("/.config/github-copilot/apps.json"));
}

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
    if (!quotas) return std::nullopt;
    const struct {
        const char* key;
        const char* name;
    } kinds[] = {{"premium_interactions", "Premium Interactions"},
                 {"chat", "Chat Requests"},
                 {"completions", "Completions"}};

    // A renewal already past gives no countdown; only an answer without any
    // renewal date shows the ten days.
    const auto renewal = resetDate(body);
    std::optional<QDateTime> resetAt;
    std::optional<double> countdown;
    if (renewal) {
        if (const double left = secondsBetween(now(), *renewal); left > 0) {
            resetAt = renewal;
            countdown = left;
        }
    }
    const std::optional<double> windowCountdown = renewal ? countdown : std::optional(kResetCountdown);

    QList<ModelQuotaItem> items;
    bool recognised = false;
    std::optional<double> headline;
    std::optional<double> chat;
    for (const auto& kind : kinds) {
        const Allowance allowance = readAllowance(QLatin1String(kind.key), *quotas);
        recognised = recognised || allowance.recognised;
        if (!allowance.percentage) continue;
        items.append(ModelQuotaItem(QLatin1String(kind.name), *allowance.percentage,
                                    allowance.counts.value_or(QStringLiteral("Monthly")), countdown, resetAt,
                                    allowance.unlimited ? std::optional(L10n::unlimited().text()) : std::nullopt));
        if (!headline && !allowance.unlimited) headline = allowance.percentage;
        if (qstrcmp(kind.key, "chat") == 0) chat = allowance.percentage;
    }
    if (items.isEmpty())
        return recognised ? std::optional(unavailable(UsageUnavailableReason::notMeasured)) : std::nullopt;

    std::optional<QString> plan;
    if (const auto name = json::string(body, QLatin1String("copilot_plan")); name && !name->trimmed().isEmpty())
        plan = capitalizeWords(QString(*name).replace(QLatin1Char('_'), QLatin1Char(' ')));
    return success({
        .hourlyRemainingPercentage = headline.value_or(100.0),
        .hourlyResetCountdown = windowCountdown,
        .weeklyRemainingPercentage = chat,
        .weeklyResetCountdown = chat ? windowCountdown : std::nullopt,
        .modelQuotas = items,
        .planName = plan,
        .hourlyResetAt = resetAt,
        .weeklyResetAt = chat ? resetAt : std::nullopt,
    });
}

} // namespace meterix
