#include "providers/groq/GroqAdapter.h"

#include "core/L10n.h"
#include "core/Numbers.h"
#include "core/QuotaLabel.h"
#include "core/TextUtil.h"

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {

struct Unit {
    QLatin1StringView text;
    double seconds;
};
// Tried in this order, so "ms" wins over "m".
constexpr Unit kUnits[] = {{QLatin1StringView("ms"), 0.001},
                           {QLatin1StringView("h"), 3600},
                           {QLatin1StringView("m"), 60},
                           {QLatin1StringView("s"), 1}};

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (begin < end && blank(text.at(begin))) ++begin;
    while (end > begin && blank(text.at(end - 1))) --end;
    return text.mid(begin, end - begin);
}

struct Figures {
    double percentage;
    int64_t limit;
    std::optional<double> countdown;
};

} // namespace

GroqAdapter::GroqAdapter(UsageTransport& transport, QString baseAddress, QString homeDirectory,
                         EnvironmentLookup environment, const Clock& clock)
    : KeyedAdapter(AIProviderType::groq,
                   ApiKeySource{{QStringLiteral("GROQ_API_KEY")}, QStringLiteral("/.config/groq/api_key")},
                   QStringLiteral("/openai/v1/models"), transport, std::move(baseAddress), std::move(homeDirectory),
                   std::move(environment), clock) {}

QList<HttpHeader> GroqAdapter::requestHeaders(const QString& key) const {
    return {{"Authorization", "Bearer " + key.toUtf8()}};
}

std::optional<double> GroqAdapter::duration(const std::optional<QString>& input) {
    if (!input) return std::nullopt;
    const QString text = trimSpacesAndTabs(*input).toLower();
    if (text.isEmpty()) return std::nullopt;
    // A countdown is never negative and never beyond what any text shows: such a
    // header gives no countdown rather than a wrong one.
    const auto countdown = [](double seconds) -> std::optional<double> {
        if (!(seconds >= 0 && seconds <= kMaxCountdownSeconds)) return std::nullopt;
        return seconds;
    };
    if (const auto plain = decimalFromText(text)) return countdown(*plain);

    QString buffer;
    double sum = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.')) {
            buffer.append(c);
            ++i;
            continue;
        }
        const Unit* unit = std::find_if(std::begin(kUnits), std::end(kUnits), [&](const Unit& u) {
            return QStringView(text).mid(i).startsWith(u.text);
        });
        if (unit == std::end(kUnits)) return std::nullopt;
        const auto value = decimalFromText(buffer);
        if (!value) return std::nullopt;
        sum += *value * unit->seconds;
        buffer.clear();
        i += unit->text.size();
    }
    if (!buffer.isEmpty()) return std::nullopt;
    return countdown(sum);
}

UsageSnapshot GroqAdapter::snapshotFromAnswer(const UsageAnswer& answer) const {
    if (answer.failure) return unavailable(*answer.failure);
    return snapshotFromHeaders(answer);
}

UsageSnapshot GroqAdapter::snapshotFromHeaders(const UsageAnswer& response) const {
    const auto text = [&](const char* name) -> std::optional<QString> {
        const auto value = response.header(name);
        if (!value) return std::nullopt;
        return strictUtf8(*value);
    };
    const auto number = [&](const char* name) -> std::optional<double> {
        const auto value = text(name);
        return value ? decimalFromText(*value) : std::nullopt;
    };
    const auto figures = [&](const char* remainingName, const char* limitName,
                             const char* resetName) -> std::optional<Figures> {
        const auto remaining = number(remainingName);
        const auto limit = number(limitName);
        if (!remaining || !limit || !(*limit > 0)) return std::nullopt;
        return Figures{std::clamp(*remaining / *limit * 100.0, 0.0, 100.0), saturatingInt64(*limit),
                       duration(text(resetName))};
    };

    const auto tokens =
        figures("x-ratelimit-remaining-tokens", "x-ratelimit-limit-tokens", "x-ratelimit-reset-tokens");
    const auto requests =
        figures("x-ratelimit-remaining-requests", "x-ratelimit-limit-requests", "x-ratelimit-reset-requests");
    if (!tokens && !requests) {
        // Headers that are there but no number are an answer that cannot be
        // read; an answer without them (or with limits of 0) carries no figure.
        for (const char* name : {"x-ratelimit-remaining-tokens", "x-ratelimit-limit-tokens",
                                 "x-ratelimit-remaining-requests", "x-ratelimit-limit-requests"})
            if (response.header(name) && !number(name)) return unavailable(UsageUnavailableReason::malformedResponse);
        return unavailable(UsageUnavailableReason::notMeasured);
    }

    // The headers count down from this answer: the resets are their moments from now.
    const QDateTime at = now();
    const auto tokensReset = tokens ? momentAfter(at, tokens->countdown) : std::nullopt;
    const auto requestsReset = requests ? momentAfter(at, requests->countdown) : std::nullopt;
    QList<ModelQuotaItem> items;
    if (tokens)
        items.append(ModelQuotaItem(QuotaKind::tokenLimit, tokens->percentage,
                                    QuotaLabel(QuotaKind::tokensPerMinute).withCount(tokens->limit), tokensReset));
    if (requests)
        items.append(ModelQuotaItem(QuotaKind::requestLimit, requests->percentage,
                                    QuotaLabel(QuotaKind::requestsPerDay).withCount(requests->limit), requestsReset));

    if (tokens)
        return success({
            .headlineRemainingPercentage = tokens->percentage,
            .weeklyRemainingPercentage = requests ? std::optional(requests->percentage) : std::nullopt,
            .modelQuotas = items,
            .headlineQuotaName = QuotaKind::tokenLimit,
            .headlineResetAt = tokensReset,
            .weeklyResetAt = requestsReset,
        });
    return success({
        .headlineRemainingPercentage = requests->percentage,
        .modelQuotas = items,
        .headlineQuotaName = QuotaKind::requestLimit,
        .headlineResetAt = requestsReset,
    });
}

} // namespace meterix
