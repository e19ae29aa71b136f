#include "providers/common/KeyedAdapter.h"

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

SetupLookup KeyedAdapter::credentialLookup() const { return keySource_.lookup(homeDirectory_); }

std::optional<QString> KeyedAdapter::credentialFingerprint() const {
    const auto credential = resolveCredential();
    if (!credential) return std::nullopt;
    return UsageSnapshot::fingerprint(*credential);
}

UsageSnapshot KeyedAdapter::fetchUsage(bool) {
    const auto credential = resolveCredential();
    if (!credential) return unavailable(UsageUnavailableReason::notConfigured);
    return snapshotFromAnswer(ask(*credential));
}

UsageAnswer KeyedAdapter::ask(const QString& credential) const {
    const auto url = endpointUrl(endpointPath_);
    if (!url) return UsageAnswer::failed(UsageUnavailableReason::providerError);
    return transport_.answer(makeRequest(*url, credential));
}

UsageSnapshot KeyedAdapter::snapshotFromAnswer(const UsageAnswer& answer) const {
    if (answer.failure) return unavailable(*answer.failure);
    return snapshotFromData(answer.body);
}

UsageSnapshot KeyedAdapter::snapshotFromData(const QByteArray& data) const {
    const auto body = json::parseObject(data);
    if (!body) return unavailable(UsageUnavailableReason::malformedResponse);
    if (auto snapshot = snapshotFromBody(*body)) return *snapshot;
    return unavailable(UsageUnavailableReason::malformedResponse);
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
    UsageSnapshot s = UsageSnapshot::unavailable(type_, reason, std::nullopt, std::nullopt, std::nullopt,
                                                 std::nullopt, clock_.now());
    if (reason == UsageUnavailableReason::notConfigured) s.setupLookup = credentialLookup();
    return s;
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
