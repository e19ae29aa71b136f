#include "providers/ollama/OllamaAdapter.h"

#include "core/Json.h"
#include "core/QuotaLabel.h"
#include "core/TextUtil.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <tuple>

#include <arpa/inet.h>

namespace meterix {

namespace {

constexpr double kBytesPerGigabyte = 1073741824.0; // 2^30

bool isNonEmptyString(const QJsonObject& model, QLatin1StringView key) {
    const std::optional<QString> value = json::string(model, key);
    return value && !value->isEmpty();
}

enum class Family { none, v4, v6 };

// The family of a literal IP address, and through `unspecified` whether it is
// the any-address (0.0.0.0, ::).
Family ipFamily(const QString& text, bool* unspecified = nullptr) {
    const QByteArray bytes = text.toLatin1();
    if (text.isEmpty() || bytes.size() != text.size()) return Family::none;
    unsigned char address[16] = {};
    Family family = Family::none;
    if (::inet_pton(AF_INET, bytes.constData(), address) == 1) family = Family::v4;
    else if (::inet_pton(AF_INET6, bytes.constData(), address) == 1) family = Family::v6;
    if (unspecified)
        *unspecified = family != Family::none &&
                       std::all_of(std::begin(address), std::end(address), [](unsigned char b) { return b == 0; });
    return family;
}

// The address in its usual written form ("0:0::1" gives "::1").
QString canonicalIP(const QString& text, Family family) {
    unsigned char address[16] = {};
    char written[INET6_ADDRSTRLEN] = {};
    const int af = family == Family::v4 ? AF_INET : AF_INET6;
    if (::inet_pton(af, text.toLatin1().constData(), address) != 1 ||
        !::inet_ntop(af, address, written, sizeof written))
        return text;
    return QString::fromLatin1(written);
}

// "host:port" or "[v6]:port" into its two parts; nothing when the text is not
// of that form (no port, or a bare IPv6 address).
std::optional<std::pair<QString, QString>> splitHostPort(const QString& hostPort) {
    QString host, port;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype end = hostPort.indexOf(QLatin1Char(']'));
        if (end < 0 || end + 1 >= hostPort.size() || hostPort.at(end + 1) != QLatin1Char(':')) return std::nullopt;
        host = hostPort.mid(1, end - 1);
        port = hostPort.mid(end + 2);
    } else {
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        if (colon < 0) return std::nullopt;
        host = hostPort.left(colon);
        port = hostPort.mid(colon + 1);
        if (host.contains(QLatin1Char(':'))) return std::nullopt;
    }
    for (const QString& part : {host, port})
        if (part.contains(QLatin1Char('[')) || part.contains(QLatin1Char(']'))) return std::nullopt;
    return std::pair{host, port};
}

std::optional<int> portNumber(const QString& text) {
    if (text.isEmpty() || text.size() > 5) return std::nullopt;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
    const int port = text.toInt();
    if (port > 65535) return std::nullopt;
    return port;
}

// The name a server gives a model with its size after it, as a line can show
// it; one it gives as no string, or that shows as nothing, is an unnamed model.
QuotaLabel modelName(const std::optional<QString>& given, const QString& size = {}) {
    const QString suffix = size.isEmpty() ? QString() : QStringLiteral(" (") + size + QLatin1Char(')');
    const auto shown = given ? shownWord(*given, kMaxShownNameCharacters - characterCount(suffix)) : std::nullopt;
    if (!shown) return QuotaLabel::providerWord("ollama", "unnamedModel").withAmount(size);
    return QuotaLabel(*shown + suffix);
}

QList<ModelQuotaItem> modelItems(const QByteArray& body) {
    const auto answer = json::parseObject(body);
    const auto models = answer ? json::array(*answer, QLatin1String("models")) : std::nullopt;
    if (!models) return {};
    // The list counts only when every element is an object.
    if (!std::all_of(models->begin(), models->end(), [](const QJsonValue& v) { return v.isObject(); })) return {};
    QList<ModelQuotaItem> items;
    for (const QJsonValue& value : *models) {
        const QJsonObject model = value.toObject();
        const std::optional<QString> given = json::string(model, QLatin1String("name"));
        // A model pulled from the cloud runs there: its entry is a manifest of a few
        // hundred bytes, not a local model of 0.0 GB.
        if (isNonEmptyString(model, QLatin1String("remote_host")) ||
            isNonEmptyString(model, QLatin1String("remote_model"))) {
            items.append(ModelQuotaItem(modelName(given), 100, QuotaKind::cloudModel));
            continue;
        }
        const double bytes = json::number(model, QLatin1String("size")).value_or(0);
        const QString size = QString::number(bytes / kBytesPerGigabyte, 'f', 1) + QStringLiteral(" GB");
        items.append(ModelQuotaItem(modelName(given, size), 100, QuotaKind::localModel));
    }
    return items;
}

} // namespace

OllamaAdapter::OllamaAdapter(UsageTransport& transport, QString baseAddress, const CLIProcessRunner& runner,
                             const Clock& clock, OllamaListener listener)
    : transport_(transport), baseAddress_(std::move(baseAddress)), runner_(runner), clock_(clock),
      listener_(std::move(listener)) {}

QString OllamaAdapter::serverAddress(const std::optional<QString>& ollamaHost) {
    QString text = ollamaHost.value_or(QString()).trimmed();
    while (!text.isEmpty() && (text.front() == QLatin1Char('"') || text.front() == QLatin1Char('\'')))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == QLatin1Char('"') || text.back() == QLatin1Char('\'')))
        text.chop(1);
    text = text.trimmed();

    QString scheme = QStringLiteral("http");
    QString hostPort = text;
    QString defaultPort = QStringLiteral("11434");
    if (const qsizetype at = text.indexOf(QLatin1String("://")); at >= 0) {
        scheme = text.left(at);
        hostPort = text.mid(at + 3);
        if (scheme == QLatin1String("http")) defaultPort = QStringLiteral("80");
        else if (scheme == QLatin1String("https")) defaultPort = QStringLiteral("443");
    } else if (text == QLatin1String("ollama.com")) {
        scheme = QStringLiteral("https");
        hostPort = QStringLiteral("ollama.com:443");
    }

    // A scheme no URL can hold names no server.
    static const QRegularExpression schemeForm(QRegularExpression::anchoredPattern(QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*")));
    if (!schemeForm.match(scheme).hasMatch()) return QString();

    QString path;
    if (const qsizetype slash = hostPort.indexOf(QLatin1Char('/')); slash >= 0) {
        path = hostPort.mid(slash + 1);
        hostPort.truncate(slash);
    }

    QString host, port;
    if (const auto parts = splitHostPort(hostPort)) {
        std::tie(host, port) = *parts;
    } else {
        host = QStringLiteral("127.0.0.1");
        port = defaultPort;
        QString bare = hostPort;
        while (bare.startsWith(QLatin1Char('[')) || bare.startsWith(QLatin1Char(']'))) bare.remove(0, 1);
        while (bare.endsWith(QLatin1Char('[')) || bare.endsWith(QLatin1Char(']'))) bare.chop(1);
        if (const Family family = ipFamily(bare); family != Family::none) host = canonicalIP(bare, family);
        else if (!hostPort.isEmpty()) host = hostPort;
    }
    const int portValue = portNumber(port).value_or(defaultPort.toInt());

    QUrl url;
    url.setScheme(scheme);
    url.setHost(host.isEmpty() ? QStringLiteral("127.0.0.1") : host);
    // A listening address is no place to connect to: the server listens here.
    // Judged on the host as the URL reads it, since it also takes shorthand
    // such as "00.0.0" for 0.0.0.0.
    bool unspecified = false;
    const Family family = ipFamily(url.host(), &unspecified);
    if (unspecified) url.setHost(family == Family::v4 ? QStringLiteral("127.0.0.1") : QStringLiteral("::1"));
    url.setPort(portValue);
    if (!path.isEmpty()) url.setPath(QLatin1Char('/') + path);
    // A host no URL can hold (blanks, stray brackets, a fragment sign) names no
    // server: the address must read back strictly as the URL it was built as.
    if (!url.isValid() || url.host().isEmpty()) return QString();
    const QString address = url.toString(QUrl::FullyEncoded);
    const QUrl readBack(address, QUrl::StrictMode);
    if (!readBack.isValid() || readBack.host() != url.host()) return QString();
    return address;
}

QString OllamaAdapter::tagsEndpoint() const {
    QString base = baseAddress_;
    while (base.endsWith(QLatin1Char('/'))) base.chop(1);
    return base + QStringLiteral("/api/tags");
}

bool OllamaAdapter::isDetected() const {
    return runner_.executablePath(QStringLiteral("ollama")).has_value();
}

UsageRequest OllamaAdapter::tagsRequest(std::chrono::milliseconds timeout) const {
    UsageRequest request;
    request.url = QUrl(tagsEndpoint(), QUrl::StrictMode);
    request.timeout = timeout;
    return request;
}

bool OllamaAdapter::isOwnServer() const {
    return listener_.isOwn(QUrl(baseAddress_, QUrl::StrictMode));
}

bool OllamaAdapter::checkAvailability() {
    if (!transport_.answer(tagsRequest(std::chrono::seconds(1))).failure && isOwnServer()) return true;
    return isDetected();
}

UsageSnapshot OllamaAdapter::fetchUsage(bool) {
    const UsageAnswer answer = transport_.answer(tagsRequest(std::chrono::seconds(2)));
    if (answer.failure || !isOwnServer()) return fallbackSnapshot();
    QList<ModelQuotaItem> items = modelItems(answer.body);
    if (items.isEmpty())
        items.append(ModelQuotaItem(QuotaKind::localServiceReady, 100, QuotaKind::unlimited));
    return snapshot(std::move(items), FetchStrategy::cliStatusProbe);
}

UsageSnapshot OllamaAdapter::fallbackSnapshot() const {
    // A server that does not answer has no models to show, installed or not:
    // the reading says so and names the address it asked.
    UsageSnapshot s = UsageSnapshot::unavailable(AIProviderType::ollama, UsageUnavailableReason::notConfigured,
                                                 std::nullopt, std::nullopt, std::nullopt, std::nullopt,
                                                 clock_.now());
    s.setupLookup.address = baseAddress_;
    return s;
}

UsageSnapshot OllamaAdapter::snapshot(QList<ModelQuotaItem> items, FetchStrategy strategy) const {
    const QDateTime now = clock_.now();
    return UsageSnapshot({
        .provider = AIProviderType::ollama,
        .headlineRemainingPercentage = 100,
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
