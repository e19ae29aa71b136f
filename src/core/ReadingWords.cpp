#include "core/ReadingWords.h"
#include "core/ProviderDescriptor.h"

#include <QRegularExpression>

#include <functional>

namespace meterix {

namespace {

const QString kJoiner = QStringLiteral(" \u00B7 ");

// Words without values, each known in both of its forms.
const QList<L10n::Case>& plainWords() {
    using C = L10n::Case;
    static const QList<C> words = {
        C::quotaKindFiveHourSession, C::quotaKindWeeklyLimit, C::quotaKindMonthlyCredit,
        C::quotaKindLocalModel, C::quotaKindCloudModel, C::quotaKindLocalUnlimited,
        C::quotaKindLocalServiceReady, C::quotaKindLocalInstanceOffline, C::quotaKindAccountBalance,
        C::quotaKindRemainingCharacters, C::quotaKindOverage, C::claudeSession5h, C::claudeWeeklyAllModels,
        C::claudeExtraCredits, C::quotaNoteWarning, C::quotaNoteCritical, C::quotaNoteBindingLimit,
        C::codexPrimaryLimit, C::codexSecondaryLimit, C::codexCredits, C::unlimited, C::groqTokenLimit,
        C::groqRequestLimit, C::openRouterAccountBalance, C::openRouterKeyBudget, C::openRouterKeyUnlimited,
        C::elevenLabsCharacterUsage, C::kimiCodingPlan, C::kimiCodingPlanKey, C::kimiCodingFiveHour,
        C::kimiCodingWeekly, C::kimiCodingRateLimit, C::organizationPersonal};
    return words;
}

// A word that carries values: how to make it from them, and the two patterns
// that read them back out of either of its forms.
struct ValuedWord {
    std::function<L10n(const QStringList&)> make;
    QRegularExpression patterns[2];
};

// The values are stood in by markers that no text holds; a number by digits
// that no real figure has.
const QString kMarkers[2] = {QStringLiteral("\u0001"), QStringLiteral("\u0002")};
constexpr qint64 kNumberMarker = 7'300'519'248'661;

ValuedWord valued(std::function<L10n(const QStringList&)> make, int values, bool numeric) {
    QStringList stand;
    for (int i = 0; i < values; ++i)
        stand.append(numeric ? QString::number(kNumberMarker) : kMarkers[i]);
    const L10nPair pair = make(stand).pair();
    ValuedWord word{std::move(make), {}};
    const QString forms[2] = {pair.en, pair.ko};
    for (int f = 0; f < 2; ++f) {
        QString text = forms[f];
        if (numeric) text.replace(QString::number(kNumberMarker), kMarkers[0]);
        QString pattern = QStringLiteral("^");
        QString literal;
        for (const QChar c : text) {
            if (c == kMarkers[0][0] || c == kMarkers[1][0]) {
                pattern += QRegularExpression::escape(literal) +
                           (numeric ? QStringLiteral("(-?\\d+)") : QStringLiteral("(.+)"));
                literal.clear();
            } else {
                literal += c;
            }
        }
        pattern += QRegularExpression::escape(literal) + QStringLiteral("$");
        word.patterns[f] = QRegularExpression(pattern);
    }
    return word;
}

qint64 number(const QString& digits) {
    return digits.toLongLong();
}

const QList<ValuedWord>& valuedWords() {
    static const QList<ValuedWord> words = {
        valued([](const QStringList& v) { return L10n::claudeWeeklyModel(v[0]); }, 1, false),
        valued([](const QStringList& v) { return L10n::codexWindowWeeks(number(v[0])); }, 1, true),
        valued([](const QStringList& v) { return L10n::codexWindowDays(number(v[0])); }, 1, true),
        valued([](const QStringList& v) { return L10n::codexWindowHours(number(v[0])); }, 1, true),
        valued([](const QStringList& v) { return L10n::codexWindowMinutes(number(v[0])); }, 1, true),
        valued([](const QStringList& v) { return L10n::codexBalance(v[0]); }, 1, false),
        valued([](const QStringList& v) { return L10n::groqTokensPerMinute(number(v[0])); }, 1, true),
        valued([](const QStringList& v) { return L10n::groqRequestsPerDay(number(v[0])); }, 1, true),
        valued([](const QStringList& v) { return L10n::openRouterAccountBalanceWith(v[0]); }, 1, false),
        valued([](const QStringList& v) { return L10n::openRouterKeyBudgetWith(v[0], v[1]); }, 2, false),
        valued([](const QStringList& v) { return L10n::openRouterKeyUsed(v[0]); }, 1, false),
        // A window of a model family, as Antigravity's quota lines are named.
        valued([](const QStringList& v) { return L10n::quotaFiveHourOf(v[0]); }, 1, false),
        valued([](const QStringList& v) { return L10n::providerWeekly(v[0]); }, 1, false),
    };
    return words;
}

std::optional<QString> knownWord(const QString& text) {
    for (L10n::Case c : plainWords()) {
        const L10nPair pair = L10n::plain(c).pair();
        if (text == pair.en || text == pair.ko) return L10n::plain(c).text();
    }
    for (const ValuedWord& word : valuedWords())
        for (const QRegularExpression& pattern : word.patterns) {
            const QRegularExpressionMatch match = pattern.match(text);
            if (!match.hasMatch()) continue;
            QStringList values = match.capturedTexts();
            values.removeFirst();
            return word.make(values).text();
        }
    return std::nullopt;
}

} // namespace

QString storedWording(const L10n& word) {
    return word.pair().en;
}

QString shownWording(const QString& stored) {
    if (const auto word = knownWord(stored)) return *word;
    if (!stored.contains(kJoiner)) return stored;
    QStringList parts = stored.split(kJoiner);
    for (QString& part : parts)
        part = knownWord(part).value_or(part);
    return parts.join(kJoiner);
}

std::optional<QString> shownWording(const std::optional<QString>& stored) {
    if (!stored) return std::nullopt;
    return shownWording(*stored);
}

ModelQuotaItem shownQuotaItem(const ModelQuotaItem& item) {
    ModelQuotaItem shown = item;
    shown.name = shownWording(item.name);
    shown.quotaType = shownWording(item.quotaType);
    shown.paceText = shownWording(item.paceText);
    return shown;
}

QString readingSourceText(FetchStrategy strategy, AIProviderType provider) {
    // A provider may word its own source (a local server, a token it holds).
    if (const auto& own = ProviderCatalogue::of(provider).readingSource; own && own->strategy == strategy)
        return own->words().text();
    switch (strategy) {
    case FetchStrategy::localFileCache:
        return L10n::readViaLocalFiles().text();
    case FetchStrategy::cliStatusProbe:
        return L10n::readViaCLIProbe().text();
    case FetchStrategy::oauthKeychain:
        return L10n::readViaAPIKey().text();
    case FetchStrategy::simulated:
        break;
    }
    return L10n::readViaNothing().text();
}

} // namespace meterix
