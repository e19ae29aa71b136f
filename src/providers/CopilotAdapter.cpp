#include "providers/CopilotAdapter.h"

#include "core/Json.h"
#include "core/SafeFile.h"

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
    const auto premium = remaining(QStringLiteral("premium_interactions"), *quotas);
    const auto chat = remaining(QStringLiteral("chat"), *quotas);
    if (!premium && !chat) return std::nullopt;

    QList<ModelQuotaItem> items;
    if (premium) items.append(ModelQuotaItem(QStringLiteral("Premium Interactions"), *premium, QStringLiteral("Monthly")));
    if (chat) items.append(ModelQuotaItem(QStringLiteral("Chat Requests"), *chat, QStringLiteral("Monthly")));
    return success({
        .hourlyRemainingPercentage = premium ? *premium : *chat,
        .hourlyResetCountdown = kResetCountdown,
        .weeklyRemainingPercentage = chat,
        .weeklyResetCountdown = chat ? std::optional(kResetCountdown) : std::nullopt,
        .modelQuotas = items,
    });
}

} // namespace meterix
