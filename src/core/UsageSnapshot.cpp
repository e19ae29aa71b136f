#include "core/UsageSnapshot.h"

#include "core/Clock.h"
#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/Numbers.h"

#include <QCryptographicHash>
#include <QJsonArray>

namespace meterix {

namespace {

constexpr const char* kStrategies[] = {"OAuth/Keychain", "CLI Probe", "Local Cache/DB", "Simulated Fallback"};

// Reads an optional field: missing or null is absent (ok); a present value that
// does not convert fails the record.
template <class T, class Convert>
bool readOptional(const QJsonObject& o, QLatin1StringView key, std::optional<T>& out, Convert convert) {
    if (json::isAbsent(o, key)) {
        out.reset();
        return true;
    }
    std::optional<T> v = convert(o.value(key));
    if (!v) return false;
    out = std::move(v);
    return true;
}

std::optional<QString> asString(const QJsonValue& v) {
    if (!v.isString()) return std::nullopt;
    return v.toString();
}

std::optional<double> asNumber(const QJsonValue& v) {
    if (!v.isDouble()) return std::nullopt;
    return v.toDouble();
}

std::optional<QDateTime> asDate(const QJsonValue& v) {
    if (!v.isString()) return std::nullopt;
    return parseIsoDate(v.toString());
}

void putOptional(QJsonObject& o, QLatin1StringView key, const std::optional<QString>& v) {
    if (v) o.insert(key, *v);
}
void putOptional(QJsonObject& o, QLatin1StringView key, const std::optional<double>& v) {
    if (v) o.insert(key, *v);
}
void putOptional(QJsonObject& o, QLatin1StringView key, const std::optional<QDateTime>& v) {
    if (v) o.insert(key, isoDateString(*v));
}
void putOptional(QJsonObject& o, QLatin1StringView key, const std::optional<QuotaLabel>& v) {
    if (v) o.insert(key, v->toJson());
}

// A reset as the previous version stored it, a countdown from the reading's
// time, or as its moment; the moment wins when both are there.
bool readReset(const QJsonObject& o, QLatin1StringView countdownKey, QLatin1StringView momentKey,
               const QDateTime& capturedAt, std::optional<QDateTime>& out) {
    std::optional<double> countdown;
    if (!readOptional(o, countdownKey, countdown, asNumber) || !readOptional(o, momentKey, out, asDate)) return false;
    if (!out) out = momentAfter(capturedAt, countdown);
    return true;
}

} // namespace

QString rawValue(FetchStrategy s) {
    return QString::fromLatin1(kStrategies[static_cast<int>(s)]);
}

std::optional<FetchStrategy> fetchStrategyFromRawValue(QStringView raw) {
    for (int i = 0; i < 4; ++i)
        if (raw == QLatin1StringView(kStrategies[i])) return static_cast<FetchStrategy>(i);
    return std::nullopt;
}

// MARK: ModelQuotaItem

ModelQuotaItem::ModelQuotaItem(QuotaLabel name_, double remaining, QuotaLabel type, std::optional<QDateTime> at,
                               std::optional<QuotaLabel> pace, std::optional<double> marker)
    : name(std::move(name_)), remainingPercentage(clampPercentage(remaining)), quotaType(std::move(type)),
      resetAt(std::move(at)), paceText(std::move(pace)),
      paceMarkerPercentage(marker) {}

bool ModelQuotaItem::isWindowElapsed(const QDateTime& now) const {
    return resetAt && *resetAt <= now;
}

QJsonObject ModelQuotaItem::toJson() const {
    QJsonObject o;
    o.insert(QLatin1String("name"), name.toJson());
    o.insert(QLatin1String("remainingPercentage"), remainingPercentage);
    o.insert(QLatin1String("quotaType"), quotaType.toJson());
    putOptional(o, QLatin1String("resetAt"), resetAt);
    putOptional(o, QLatin1String("paceText"), paceText);
    putOptional(o, QLatin1String("paceMarkerPercentage"), paceMarkerPercentage);
    return o;
}

std::optional<ModelQuotaItem> ModelQuotaItem::fromJson(const QJsonObject& o, const QDateTime& capturedAt) {
    const auto name = QuotaLabel::fromJson(o.value(QLatin1String("name")));
    const auto remaining = asNumber(o.value(QLatin1String("remainingPercentage")));
    const auto type = QuotaLabel::fromJson(o.value(QLatin1String("quotaType")));
    if (!name || !remaining || !type) return std::nullopt;
    ModelQuotaItem item;
    item.name = *name;
    item.remainingPercentage = *remaining; // decoding does not clamp
    item.quotaType = *type;
    if (!readReset(o, QLatin1String("resetCountdown"), QLatin1String("resetAt"), capturedAt, item.resetAt) ||
        !readOptional(o, QLatin1String("paceText"), item.paceText, QuotaLabel::fromJson) ||
        !readOptional(o, QLatin1String("paceMarkerPercentage"), item.paceMarkerPercentage, asNumber))
        return std::nullopt;
    return item;
}

// MARK: UsageSnapshot

UsageSnapshot::UsageSnapshot(const Fields& f)
    : provider(f.provider), accountEmail(f.accountEmail), planName(f.planName), accountID(f.accountID),
      sourceID(f.sourceID), capturedAt(f.capturedAt.value_or(f.lastUpdated)),
      headlineRemainingPercentage(clampPercentage(f.headlineRemainingPercentage)),
      headlineQuotaName(f.headlineQuotaName),
      headlineResetAt(f.headlineResetAt),
      weeklyRemainingPercentage(f.weeklyRemainingPercentage
                                    ? std::optional(clampPercentage(*f.weeklyRemainingPercentage))
                                    : std::nullopt),
      weeklyResetAt(f.weeklyResetAt),
      modelQuotas(f.modelQuotas), usedTokens(f.usedTokens), totalTokens(f.totalTokens),
      lastUpdated(f.lastUpdated), strategyUsed(f.strategyUsed), unavailableReason(f.unavailableReason),
      credentialFingerprint(f.credentialFingerprint), setupLookup(f.setupLookup) {}

bool UsageSnapshot::isStale(const QDateTime& now) const {
    if (fetchError) return true;
    return secondsBetween(capturedAt, now) > stalenessThreshold;
}

bool UsageSnapshot::isStale() const {
    return isStale(Clock::system().now());
}

bool UsageSnapshot::isHeadlineWindowElapsed(const QDateTime& now) const {
    return headlineResetAt && *headlineResetAt <= now;
}

UsageSnapshot UsageSnapshot::simulatedFallback(AIProviderType provider, const QDateTime& now) {
    return unavailable(provider, UsageUnavailableReason::notConfigured, std::nullopt, std::nullopt,
                       std::nullopt, std::nullopt, now);
}

UsageSnapshot UsageSnapshot::simulatedFallback(AIProviderType provider) {
    return simulatedFallback(provider, Clock::system().now());
}

UsageSnapshot UsageSnapshot::unavailable(AIProviderType provider, UsageUnavailableReason reason,
                                         std::optional<QString> accountEmail, std::optional<QuotaLabel> planName,
                                         std::optional<QString> accountID, std::optional<QString> sourceID,
                                         std::optional<QDateTime> now) {
    const QDateTime at = now.value_or(Clock::system().now());
    return UsageSnapshot(Fields{
        .provider = provider,
        .headlineRemainingPercentage = 0,
        .accountEmail = std::move(accountEmail),
        .planName = std::move(planName),
        .usedTokens = 0,
        .totalTokens = 100000,
        .lastUpdated = at,
        .strategyUsed = FetchStrategy::simulated,
        .accountID = std::move(accountID),
        .sourceID = std::move(sourceID),
        .capturedAt = at,
        .unavailableReason = reason,
    });
}

QString UsageSnapshot::fingerprint(const QString& text) {
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

QJsonObject UsageSnapshot::toJson() const {
    QJsonObject o;
    o.insert(QLatin1String("provider"), rawValue(provider));
    putOptional(o, QLatin1String("accountEmail"), accountEmail);
    putOptional(o, QLatin1String("planName"), planName);
    putOptional(o, QLatin1String("accountID"), accountID);
    putOptional(o, QLatin1String("sourceID"), sourceID);
    o.insert(QLatin1String("capturedAt"), isoDateString(capturedAt));
    putOptional(o, QLatin1String("fetchError"), fetchError);
    o.insert(QLatin1String("hourlyRemainingPercentage"), headlineRemainingPercentage);
    putOptional(o, QLatin1String("hourlyQuotaName"), headlineQuotaName);
    putOptional(o, QLatin1String("hourlyResetAt"), headlineResetAt);
    putOptional(o, QLatin1String("weeklyRemainingPercentage"), weeklyRemainingPercentage);
    putOptional(o, QLatin1String("weeklyResetAt"), weeklyResetAt);
    QJsonArray items;
    for (const ModelQuotaItem& item : modelQuotas)
        items.append(item.toJson());
    o.insert(QLatin1String("modelQuotas"), items);
    o.insert(QLatin1String("usedTokens"), usedTokens);
    o.insert(QLatin1String("totalTokens"), totalTokens);
    o.insert(QLatin1String("lastUpdated"), isoDateString(lastUpdated));
    o.insert(QLatin1String("strategyUsed"), rawValue(strategyUsed));
    if (unavailableReason) o.insert(QLatin1String("unavailableReason"), rawValue(*unavailableReason));
    putOptional(o, QLatin1String("credentialFingerprint"), credentialFingerprint);
    return o;
}

std::optional<UsageSnapshot> UsageSnapshot::fromJson(const QJsonObject& o) {
    const auto providerRaw = json::string(o, QLatin1String("provider"));
    const auto provider = providerRaw ? providerFromRawValue(*providerRaw) : std::nullopt;
    const auto capturedAt = asDate(o.value(QLatin1String("capturedAt")));
    const auto hourly = asNumber(o.value(QLatin1String("hourlyRemainingPercentage")));
    const auto items = json::array(o, QLatin1String("modelQuotas"));
    const auto used = json::integer(o, QLatin1String("usedTokens"));
    const auto total = json::integer(o, QLatin1String("totalTokens"));
    const auto lastUpdated = asDate(o.value(QLatin1String("lastUpdated")));
    const auto strategyRaw = json::string(o, QLatin1String("strategyUsed"));
    const auto strategy = strategyRaw ? fetchStrategyFromRawValue(*strategyRaw) : std::nullopt;
    if (!provider || !capturedAt || !hourly || !items || !used || !total || !lastUpdated || !strategy)
        return std::nullopt;

    UsageSnapshot s;
    s.provider = *provider;
    s.capturedAt = *capturedAt;
    s.headlineRemainingPercentage = *hourly;
    s.usedTokens = *used;
    s.totalTokens = *total;
    s.lastUpdated = *lastUpdated;
    s.strategyUsed = *strategy;
    for (const QJsonValue& v : *items) {
        if (!v.isObject()) return std::nullopt;
        auto item = ModelQuotaItem::fromJson(v.toObject(), s.capturedAt);
        if (!item) return std::nullopt;
        s.modelQuotas.append(std::move(*item));
    }
    auto asReason = [](const QJsonValue& v) -> std::optional<UsageUnavailableReason> {
        if (!v.isString()) return std::nullopt;
        return unavailableReasonFromRawValue(v.toString());
    };
    if (!readOptional(o, QLatin1String("accountEmail"), s.accountEmail, asString) ||
        !readOptional(o, QLatin1String("planName"), s.planName, QuotaLabel::fromJson) ||
        !readOptional(o, QLatin1String("accountID"), s.accountID, asString) ||
        !readOptional(o, QLatin1String("sourceID"), s.sourceID, asString) ||
        !readOptional(o, QLatin1String("fetchError"), s.fetchError, asString) ||
        !readOptional(o, QLatin1String("hourlyQuotaName"), s.headlineQuotaName, QuotaLabel::fromJson) ||
        !readReset(o, QLatin1String("hourlyResetCountdown"), QLatin1String("hourlyResetAt"), s.capturedAt,
                   s.headlineResetAt) ||
        !readOptional(o, QLatin1String("weeklyRemainingPercentage"), s.weeklyRemainingPercentage, asNumber) ||
        !readReset(o, QLatin1String("weeklyResetCountdown"), QLatin1String("weeklyResetAt"), s.capturedAt,
                   s.weeklyResetAt) ||
        !readOptional(o, QLatin1String("unavailableReason"), s.unavailableReason, asReason) ||
        !readOptional(o, QLatin1String("credentialFingerprint"), s.credentialFingerprint, asString))
        return std::nullopt;
    return s;
}

} // namespace meterix
