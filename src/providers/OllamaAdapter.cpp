#include "providers/OllamaAdapter.h"

#include "core/Json.h"

#include <algorithm>

namespace meterix {

namespace {

constexpr double kBytesPerGigabyte = 1073741824.0; // 2^30

QList<ModelQuotaItem> modelItems(const QByteArray& body) {
    const auto answer = json::parseObject(body);
    const auto models = answer ? json::array(*answer, QLatin1String("models")) : std::nullopt;
    if (!models) return {};
    // The list counts only when every element is an object.
    if (!std::all_of(models->begin(), models->end(), [](const QJsonValue& v) { return v.isObject(); })) return {};
    QList<ModelQuotaItem> items;
    for (const QJsonValue& value : *models) {
        const QJsonObject model = value.toObject();
        const QString name = json::string(model, QLatin1String("name")).value_or(QStringLiteral("Ollama Model"));
        // A model pulled from the cloud runs there: its entry is a manifest of a few
        // hundred bytes, not a local model of 0.0 GB.
        if (!json::isAbsent(model, QLatin1String("remote_host")) ||
            !json::isAbsent(model, QLatin1String("remote_model"))) {
            items.append(ModelQuotaItem(name, 100, QStringLiteral("Cloud Model")));
            continue;
        }
        const double bytes = json::number(model, QLatin1String("size")).value_or(0);
        const QString size = QString::number(bytes / kBytesPerGigabyte, 'f', 1) + QStringLiteral(" GB");
        items.append(ModelQuotaItem(name + QStringLiteral(" (") + size + QLatin1Char(')'), 100,
                                    QStringLiteral("Local Model")));
    }
    return items;
}

} // namespace

OllamaAdapter::OllamaAdapter(UsageTransport& transport, QString baseAddress, QStringList executablePaths,
                             const Clock& clock)
    : transport_(transport), baseAddress_(std::move(baseAddress)), executablePaths_(std::move(executablePaths)),
      clock_(clock) {}

QString OllamaAdapter::tagsEndpoint() const {
    QString base = baseAddress_;
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return base + QStringLiteral("/api/tags");
}

bool OllamaAdapter::isDetected() const {
    return PlatformPaths::anyExists(executablePaths_);
}

UsageRequest OllamaAdapter::tagsRequest(std::chrono::milliseconds timeout) const {
    UsageRequest request;
    request.url = QUrl(tagsEndpoint(), QUrl::StrictMode);
    request.timeout = timeout;
    return request;
}

bool OllamaAdapter::checkAvailability() {
    if (transport_.usageData(tagsRequest(std::chrono::seconds(1))).isSuccess()) return true;
    return isDetected();
}

UsageSnapshot OllamaAdapter::fetchUsage(bool) {
    const UsageFetchResult result = transport_.usageData(tagsRequest(std::chrono::seconds(2)));
    if (!result.isSuccess()) return fallbackSnapshot();
    QList<ModelQuotaItem> items = modelItems(result.data());
    if (items.isEmpty())
        items.append(ModelQuotaItem(QStringLiteral("Local Service Ready"), 100, QStringLiteral("Unlimited")));
    return snapshot(std::move(items), FetchStrategy::cliStatusProbe);
}

UsageSnapshot OllamaAdapter::fallbackSnapshot() const {
    return snapshot({ModelQuotaItem(QStringLiteral("Local Instance (Offline / Standby)"), 100,
                                    QStringLiteral("Local Unlimited"))},
                    isDetected() ? FetchStrategy::cliStatusProbe : FetchStrategy::simulated);
}

UsageSnapshot OllamaAdapter::snapshot(QList<ModelQuotaItem> items, FetchStrategy strategy) const {
    const QDateTime now = clock_.now();
    return UsageSnapshot({
        .provider = AIProviderType::ollama,
        .hourlyRemainingPercentage = 100,
        .weeklyRemainingPercentage = 100,
        .modelQuotas = std::move(items),
        .usedTokens = 0,
        .totalTokens = 100000,
        .lastUpdated = now,
        .strategyUsed = strategy,
        .capturedAt = now,
    });
}

} // namespace meterix
