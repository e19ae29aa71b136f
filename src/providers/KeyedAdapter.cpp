#include "providers/KeyedAdapter.h"

#include "core/Json.h"
#include "core/Numbers.h"

namespace meterix {

KeyedAdapter::KeyedAdapter(AIProviderType type, ApiKeySource keySource, QString endpointPath,
                           UsageTransport& transport, QString baseAddress, QString homeDirectory,
                           EnvironmentLookup environment, const Clock& clock)
    : type_(type), keySource_(std::move(keySource)), endpointPath_(std::move(endpointPath)), transport_(transport),
      baseAddress_(std::move(baseAddress)), homeDirectory_(std::move(homeDirectory)),
      environment_(std::move(environment)), clock_(clock) {}

bool KeyedAdapter::isDetected() const { return keySource_.isDetected(homeDirectory_, environment_); }

std::optional<QString> KeyedAdapter::resolveCredential() const {
    return keySource_.resolve(homeDirectory_, environment_);
}

std::optional<QString> KeyedAdapter::credentialFingerprint() const {
    const auto credential = resolveCredential();
    if (!credential) return std::nullopt;
    return UsageSnapshot::fingerprint(*credential);
}

UsageSnapshot KeyedAdapter::fetchUsage(bool) {
    const auto credential = resolveCredential();
    if (!credential) return unavailable(UsageUnavailableReason::notConfigured);
    const auto url = endpointUrl(endpointPath_);
    if (!url) return unavailable(UsageUnavailableReason::providerError);
    return snapshotFromRequest(makeRequest(*url, *credential));
}

UsageSnapshot KeyedAdapter::snapshotFromRequest(const UsageRequest& request) const {
    const UsageFetchResult result = transport_.usageData(request);
    if (!result.isSuccess()) return unavailable(result.reason());
    return snapshotFromData(result.data());
}

UsageSnapshot KeyedAdapter::snapshotFromData(const QByteArray& data) const {
    const auto body = json::parseObject(data);
    if (!body) return unavailable(UsageUnavailableReason::malformedResponse);
    if (auto snapshot = snapshotFromBody(*body)) return *snapshot;
    return unavailable(UsageUnavailableReason::malformedResponse);
}

KeyedAdapter::Answer KeyedAdapter::send(const UsageRequest& request) const {
    Answer answer;
    std::pair<QByteArray, UsageResponse> reply;
    try {
        reply = transport_.data(request);
    } catch (const std::exception& error) {
        answer.failure = unavailableReasonForTransportError(error);
        return answer;
    } catch (...) {
        answer.failure = UsageUnavailableReason::networkFailure;
        return answer;
    }
    answer.status = reply.second.httpStatus;
    answer.body = std::move(reply.first);
    if (!answer.status)
        answer.failure = UsageUnavailableReason::malformedResponse;
    else if (*answer.status != 200)
        answer.failure = unavailableReasonForHTTPStatus(*answer.status);
    return answer;
}

std::optional<UsageSnapshot> KeyedAdapter::snapshotFromBody(const QJsonObject&) const { return std::nullopt; }

QString KeyedAdapter::endpointString(const QString& path) const { return joinAddress(baseAddress_, path); }

std::optional<QUrl> KeyedAdapter::endpointUrl(const QString& path) const { return httpUrl(endpointString(path)); }

QString KeyedAdapter::joinAddress(QString base, const QString& path) {
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return base + path;
}

std::optional<QUrl> KeyedAdapter::httpUrl(const QString& address) {
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http")))
        return std::nullopt;
    return url;
}

UsageRequest KeyedAdapter::makeRequest(const QUrl& url, const QString& credential) const {
    UsageRequest request;
    request.url = url;
    request.headers = requestHeaders(credential);
    request.timeout = requestTimeout();
    return request;
}

UsageSnapshot KeyedAdapter::unavailable(UsageUnavailableReason reason) const {
    return UsageSnapshot::unavailable(type_, reason, std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                      clock_.now());
}

UsageSnapshot KeyedAdapter::success(UsageSnapshot::Fields fields) const {
    const QDateTime at = clock_.now();
    fields.provider = type_;
    fields.strategyUsed = FetchStrategy::oauthKeychain;
    fields.usedTokens = 0;
    fields.totalTokens = 100000;
    fields.lastUpdated = at;
    fields.capturedAt = at;
    return UsageSnapshot(fields);
}

std::optional<double> KeyedAdapter::decimalFromText(const QString& text) {
    if (text.isEmpty() || text.trimmed().size() != text.size()) return std::nullopt;
    return parseFiniteDouble(text);
}

QString KeyedAdapter::amountText(const QString& sign, double amount) {
    return sign + QString::number(amount, 'f', 2);
}

} // namespace meterix
