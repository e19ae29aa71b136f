// The cached usage block of a Claude Code configuration, read into a snapshot.
#include "providers/claude/ClaudeCodeAdapter.h"

#include "core/IsoDate.h"
#include "core/Json.h"
#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"
#include "core/SafeConversions.h"
#include "core/TextUtil.h"

#include <QJsonArray>

#include <cmath>

namespace meterix {

namespace {

QLatin1StringView key(const char* k) {
    return QLatin1StringView(k);
}

QString spelledOut(QString raw) {
    raw.replace(QLatin1Char('_'), QLatin1Char(' '));
    return capitalizeWords(raw);
}

QuotaLabel displayNameForLimitKind(const QString& kind) {
    if (kind == QLatin1String("session")) return QuotaKind::sessionFiveHours;
    if (kind == QLatin1String("weekly_all")) return QuotaKind::weeklyAllModels;
    if (kind == QLatin1String("weekly_opus")) return QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Opus"));
    if (kind == QLatin1String("weekly_sonnet")) return QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Sonnet"));
    return spelledOut(kind);
}

// A limit scoped to one model (or one surface) names it in its scope:
// {"kind": "weekly_scoped", "scope": {"model": {"display_name": "Fable"}}}.
QuotaLabel displayNameForLimit(const QJsonObject& limit, const QString& kind) {
    if (kind == QLatin1String("weekly_scoped")) {
        const QJsonObject scope = json::object(limit, key("scope")).value_or(QJsonObject{});
        for (const char* part : {"model", "surface"})
            if (const auto named = json::object(scope, key(part)))
                if (const auto name = json::string(*named, key("display_name")))
                    if (const auto word = ClaudeCodeAdapter::modelWord(*name))
                        return QuotaLabel(QuotaKind::weeklyOfModel).withSubject(*word);
    }
    return displayNameForLimitKind(kind);
}

QuotaLabel quotaTypeForGroup(const QString& group) {
    if (group == QLatin1String("session")) return QuotaKind::fiveHourSession;
    if (group == QLatin1String("weekly")) return QuotaKind::weeklyLimit;
    return spelledOut(group);
}

std::optional<ModelQuotaItem> quotaItemFromLimit(const QJsonObject& limit) {
    const auto percent = json::number(limit, key("percent"));
    if (!percent) return std::nullopt;
    const QString kind = json::string(limit, key("kind")).value_or(QStringLiteral("limit"));
    const QString group = json::string(limit, key("group")).value_or(kind);
    QuotaLabel tags = QuotaKind::notes;
    const auto severity = json::string(limit, key("severity"));
    if (severity == QLatin1String("warning"))
        tags = tags.withNote(QuotaNote::warning);
    else if (severity == QLatin1String("critical"))
        tags = tags.withNote(QuotaNote::critical);
    if (json::boolean(limit, key("is_active")).value_or(false)) tags = tags.withNote(QuotaNote::bindingLimit);
    std::optional<QuotaLabel> pace;
    if (!tags.notes.isEmpty()) pace = tags;
    const QJsonValue resetsAt = limit.value(key("resets_at"));
    return ModelQuotaItem(displayNameForLimit(limit, kind), 100.0 - *percent, quotaTypeForGroup(group),
                          ClaudeCodeAdapter::resetMoment(resetsAt), pace);
}

// A whole amount for a pace text; nothing beyond what 64 bits can show.
std::optional<QString> wholeAmount(double value) {
    if (!(std::fabs(value) < 9.2e18)) return std::nullopt;
    return QString::number(saturatingInt64(value));
}

std::optional<ModelQuotaItem> extraUsageItem(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject extra = value.toObject();
    if (json::boolean(extra, key("is_enabled")) != true) return std::nullopt;
    const auto utilization = json::number(extra, key("utilization"));
    if (!utilization) return std::nullopt;
    std::optional<QuotaLabel> pace;
    const auto limit = json::number(extra, key("monthly_limit"));
    const auto used = json::number(extra, key("used_credits"));
    if (limit && used) {
        const auto usedText = wholeAmount(*used);
        const auto limitText = wholeAmount(*limit);
        if (usedText && limitText)
            pace = QuotaLabel(QuotaKind::amountOfTotal)
                       .withAmount(*usedText)
                       .withTotal(*limitText)
                       .withCurrency(json::string(extra, key("currency")).value_or(QStringLiteral("USD")));
    }
    return ModelQuotaItem(QuotaKind::extraUsageCredits, 100.0 - *utilization, QuotaKind::monthlyCredit, std::nullopt,
                          pace);
}

using Window = std::optional<ClaudeCodeAdapter::QuotaWindow>;

ModelQuotaItem windowItem(const QuotaLabel& name, const QuotaLabel& quotaType,
                          const ClaudeCodeAdapter::QuotaWindow& w) {
    return ModelQuotaItem(name, w.remainingPercentage, quotaType, w.resetAt);
}

// Without named limits, a line per window: the session, the week over all
// models, then the weeks of one model family that the reading carries
// ("seven_day_opus", "seven_day_sonnet"; null while the family is unused).
QList<ModelQuotaItem> fallbackQuotas(const Window& session, const Window& weekly, const Window& opus,
                                     const Window& sonnet) {
    QList<ModelQuotaItem> items;
    if (session)
        items.append(windowItem(QuotaKind::sessionFiveHours, QuotaKind::fiveHourSession, *session));
    if (weekly) items.append(windowItem(QuotaKind::weeklyAllModels, QuotaKind::weeklyLimit, *weekly));
    if (opus) items.append(windowItem(QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Opus")), QuotaKind::weeklyLimit, *opus));
    if (sonnet) items.append(windowItem(QuotaLabel(QuotaKind::weeklyOfModel).withSubject(QStringLiteral("Sonnet")), QuotaKind::weeklyLimit, *sonnet));
    return items;
}

// When the client took the reading. A value later than now is no real reading
// time (a skewed or corrupt stamp): it is read as now, so it can neither outrank
// later readings nor show an impossible capture time.
QDateTime fetchedAt(const QJsonObject& block, const QDateTime& now) {
    const auto ms = json::number(block, key("fetchedAtMs"));
    if (!ms) return now;
    // Held to the years 1 to 9999: an absurdly old stamp reads as very old.
    const QDateTime at = dateFromUnixSeconds(*ms / 1000.0);
    return at > now ? now : at;
}

} // namespace

ClaudeCodeAdapter::ConfigIdentity ClaudeCodeAdapter::identity(const QJsonObject& config) {
    const QJsonObject account = json::object(config, key("oauthAccount")).value_or(QJsonObject{});
    return ConfigIdentity{json::string(account, key("accountUuid")),
                          json::string(account, key("emailAddress")),
                          ClaudeAccountResolver::planName(account)};
}

std::optional<QDateTime> ClaudeCodeAdapter::resetMoment(const QJsonValue& value) {
    if (value.isDouble()) {
        const double seconds = value.toDouble();
        if (!std::isfinite(seconds)) return std::nullopt;
        return dateFromUnixSeconds(seconds);
    }
    if (!value.isString()) return std::nullopt;
    // Fractional seconds are allowed only after the seconds, and ignored;
    // "2026.9-03-01" is no date.
    auto date = parseRfc3339(value.toString());
    if (!date) return std::nullopt;
    return date->addMSecs(-date->time().msec());
}

std::optional<double> ClaudeCodeAdapter::countdown(const QJsonValue& value, const QDateTime& now) {
    const auto date = resetMoment(value);
    if (!date) return std::nullopt;
    const double seconds = secondsBetween(now, *date);
    if (!(seconds > 0)) return std::nullopt;
    return seconds;
}

std::optional<ClaudeCodeAdapter::QuotaWindow> ClaudeCodeAdapter::window(const QJsonValue& value,
                                                                        const QDateTime& now) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto utilization = json::number(o, key("utilization"));
    if (!utilization) return std::nullopt;
    const QJsonValue resetsAt = o.value(key("resets_at"));
    return QuotaWindow{clampPercentage(100.0 - *utilization), countdown(resetsAt, now),
                       resetMoment(resetsAt)};
}

std::optional<UsageSnapshot> ClaudeCodeAdapter::snapshot(const QJsonObject& config) {
    return snapshot(config, Clock::system().now());
}

std::optional<UsageSnapshot> ClaudeCodeAdapter::snapshot(const QJsonObject& config, const QDateTime& now) {
    const ConfigIdentity who = identity(config);
    const auto block = json::object(config, key("cachedUsageUtilization"));
    if (!block) return std::nullopt;
    const auto utilization = json::object(*block, key("utilization"));
    if (!utilization) return std::nullopt;
    if (const auto readingAccount = json::string(*block, key("accountUuid"));
        readingAccount && who.accountID && *readingAccount != *who.accountID)
        return std::nullopt;

    const QDateTime at = fetchedAt(*block, now);
    const auto fiveHour = window(utilization->value(key("five_hour")), now);
    const auto sevenDay = window(utilization->value(key("seven_day")), now);

    QList<ModelQuotaItem> items;
    if (const auto limits = json::array(*utilization, key("limits"))) {
        // One entry that is not an object makes the whole list unusable.
        bool allObjects = true;
        for (const QJsonValue& v : *limits)
            allObjects = allObjects && v.isObject();
        if (allObjects)
            for (const QJsonValue& v : *limits)
                if (auto item = quotaItemFromLimit(v.toObject())) items.append(*item);
    }
    if (auto extra = extraUsageItem(utilization->value(key("extra_usage")))) items.append(*extra);
    if (items.isEmpty())
        items = fallbackQuotas(fiveHour, sevenDay, window(utilization->value(key("seven_day_opus")), now),
                               window(utilization->value(key("seven_day_sonnet")), now));

    UsageSnapshot::Fields f;
    f.provider = AIProviderType::claudeCode;
    f.headlineRemainingPercentage = fiveHour ? fiveHour->remainingPercentage : 100.0;
    f.headlineResetAt = fiveHour ? fiveHour->resetAt : std::nullopt;
    f.weeklyRemainingPercentage =
        sevenDay ? std::optional<double>(sevenDay->remainingPercentage) : std::nullopt;
    f.weeklyResetAt = sevenDay ? sevenDay->resetAt : std::nullopt;
    f.modelQuotas = items;
    f.accountEmail = who.email;
    f.planName = who.planName;
    f.usedTokens = 0;
    f.totalTokens = 100000;
    f.lastUpdated = at;
    f.strategyUsed = FetchStrategy::localFileCache;
    f.accountID = who.accountID;
    f.sourceID = QStringLiteral("claude.cli");
    f.capturedAt = at;
    return UsageSnapshot(f);
}

} // namespace meterix
