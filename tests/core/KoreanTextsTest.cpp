// The Korean half of the text table is Korean: no English word slips in, only
// product names, units and tokens that have no Korean form.
#include "core/L10n.h"
#include "core/Localization.h"
#include "core/ProviderDescriptor.h"
#include "support/Speaking.h"
#include "support/PlainTexts.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

namespace meterix {
namespace {

// A value of whatever type a case takes, with no letters of its own: an empty
// text, the number 1, a day and a bit in seconds.
struct AnyValue {
    operator QString() const { return {}; }
    operator qint64() const { return 1; }
    operator double() const { return 90000.0; }
};

// Every case of the table, the ones with values filled with AnyValue.
QList<L10n> everyCase() {
    const AnyValue s;
    QList<L10n> all = {
        L10n::weeklyOfModel(s), L10n::windowWeeks(s),
        L10n::windowDays(s), L10n::windowHours(s), L10n::windowMinutes(s),
        L10n::balanceOf(s), L10n::tokensPerMinute(s), L10n::requestsPerDay(s),
        L10n::accountBalanceOf(s), L10n::keyBudgetOf(s, s), L10n::keyUsed(s),
        L10n::connectedCount(s, s), L10n::screenSuffix(s),
        L10n::syncedMinutesAgo(s), L10n::syncedHoursAgo(s), L10n::syncedDaysAgo(s), L10n::refreshFailed(s),
        L10n::sessionOf(s), L10n::weeklyOf(s), L10n::quotaDetailFor(s), L10n::noDataWithReason(s),
        L10n::resetLine(s), L10n::resetLine(10), L10n::weeklyQuotaAccessibility(s, s),
        L10n::weeklyQuotaAwaiting(s), L10n::captionAwaiting(s, s),
        L10n::captionRemaining(s, s, s), L10n::suggestedPace(s), L10n::modelQuotaAccessibility(s, s, s),
        L10n::countdownDaysHours(s, s), L10n::countdownDays(s), L10n::countdownHoursMinutes(s, s),
        L10n::countdownHours(s), L10n::countdownMinutes(s), L10n::resetAtTime(s), L10n::updatedMinutesAgo(s),
        L10n::updatedHoursAgo(s), L10n::segmentLimitReset(s),
        L10n::segmentRemaining(s, s), L10n::segmentNoData(s), L10n::remainingPercentTier(s, s),
        L10n::providerNoData(s, s), L10n::providerRemaining(s, s, s), L10n::allProducts(s),
        L10n::catCompanion(s), L10n::readAgainInMinutes(s), L10n::readAgainInSeconds(s),
        L10n::againInMinutes(s), L10n::againInSeconds(s),
        L10n::guidanceDetailKeyMissing(s, s),
        L10n::guidanceTitleClientNotFound(s),
        L10n::guidanceDetailClientNotFound(s), L10n::guidanceDetailNotSignedIn(s, s), L10n::fiveHourOf(s),
        L10n::accountUnnamedProfile(s), L10n::accountUnnamedOf(s)};
    for (L10n::Case c : test::plainCases())
        all.append(L10n::plain(c));
    // The providers' own tables, their values left empty.
    for (const ProviderDescriptor* p : ProviderCatalogue::all())
        for (const L10nPair& pair : p->texts())
            all.append(L10n::carried(pair, QString(), QString()));
    return all;
}

TEST(KoreanTexts, TheKoreanTableHasNoEnglishWords) {
    test::speak(ResolvedLanguage::korean);
    // Product names, units and tokens that are written the same in Korean.
    QSet<QString> allowed = {
        QStringLiteral("Meterix"), QStringLiteral("GitHub"), QStringLiteral("Google"), QStringLiteral("API"),
        QStringLiteral("CLI"), QStringLiteral("HTTP"), QStringLiteral("AI"), QStringLiteral("TPM"),
        QStringLiteral("RPD"), QStringLiteral("user_read"),
        // the commands and places the guidance names
        QStringLiteral("Ollama"), QStringLiteral("Copilot"), QStringLiteral("ollama"), QStringLiteral("serve"),
        QStringLiteral("systemctl"), QStringLiteral("start"), QStringLiteral("local/bin"), QStringLiteral("PATH"),
        // the maker's products, and the masked sample address
        QStringLiteral("j***@example.com"), QStringLiteral("Kolbry"),
        QStringLiteral("Venmora"), QStringLiteral("Drumlet"), QStringLiteral("Sorvane"),
        QStringLiteral("Tibrosa"),
        // a language named in itself
        QStringLiteral("English")};
    const QRegularExpression word(QStringLiteral("[A-Za-z][A-Za-z0-9_.:/@*+-]*[A-Za-z0-9]|[A-Za-z]"));
    for (const ProviderDescriptor* p : ProviderCatalogue::all()) // the providers' own names
        for (const QString& name : {p->displayName().pair().en, p->shortName().pair().en})
            for (auto it = word.globalMatch(name); it.hasNext();)
                allowed.insert(it.next().captured());

    QSet<L10n::Case> swept;
    QStringList english;
    for (const L10n& l : everyCase()) {
        swept.insert(l.kind());
        const QString ko = l.pair().ko;
        for (auto it = word.globalMatch(ko); it.hasNext();) {
            const QString w = it.next().captured();
            if (!allowed.contains(w)) english.append(w + QStringLiteral(" in \"") + ko + QLatin1Char('"'));
        }
    }
    // The whole table: every case, the valued ones before the plain ones, then the providers' own.
    EXPECT_EQ(swept.size(), int(L10n::Case::carried) + 1);
    EXPECT_TRUE(english.isEmpty()) << english.join(QLatin1Char('\n')).toStdString();
    test::speak();
}

} // namespace
} // namespace meterix
