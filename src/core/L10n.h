#pragma once

#include <QList>
#include <QString>

namespace meterix {

struct L10nPair {
    QString ko;
    QString en;
    bool operator==(const L10nPair&) const = default;
};

// Every user-visible text: a case with the values it interpolates, giving a
// Korean/English pair. text() picks one by the language resolved at that moment,
// so texts may be built on any thread.
class L10n {
  public:
    enum class Case {
        errorHTTPStatus,
        claudeWeeklyModel,
        codexWindowWeeks,
        codexWindowDays,
        codexWindowHours,
        codexWindowMinutes,
        codexBalance,
        groqTokensPerMinute,
        groqRequestsPerDay,
        openRouterAccountBalanceWith,
        openRouterKeyBudgetWith,
        openRouterKeyUsed,
        googleAccountSuffix,
        connectedCount,
        screenSuffix,
        syncedMinutesAgo,
        syncedHoursAgo,
        syncedDaysAgo,
        refreshFailed,
        providerSession,
        providerWeekly,
        quotaDetailFor,
        noDataWithReason,
        resetLine,
        weeklyQuotaAccessibility,
        weeklyQuotaAwaiting,
        captionAwaiting,
        captionRemaining,
        suggestedPace,
        modelQuotaAccessibility,
        countdownDaysHours,
        countdownDays,
        countdownHoursMinutes,
        countdownHours,
        countdownMinutes,
        resetAtTime,
        updatedMinutesAgo,
        updatedHoursAgo,
        segmentLimitReset,
        segmentRemaining,
        segmentNoData,
        remainingPercentTier,
        providerNoData,
        providerRemaining,
        allProducts,
        catCompanion,
#define METERIX_L10N_PLAIN(name, ko, en) name,
#include "core/L10nPlainTexts.inc"
#include "core/L10nReadingTexts.inc"
#undef METERIX_L10N_PLAIN
    };

    // Cases that carry values.
    static L10n errorHTTPStatus(qint64 n);
    static L10n claudeWeeklyModel(const QString& s);
    static L10n codexWindowWeeks(qint64 n);
    static L10n codexWindowDays(qint64 n);
    static L10n codexWindowHours(qint64 n);
    static L10n codexWindowMinutes(qint64 n);
    static L10n codexBalance(const QString& s);
    static L10n groqTokensPerMinute(qint64 n);
    static L10n groqRequestsPerDay(qint64 n);
    static L10n openRouterAccountBalanceWith(const QString& s);
    static L10n openRouterKeyBudgetWith(const QString& s, const QString& t);
    static L10n openRouterKeyUsed(const QString& s);
    static L10n googleAccountSuffix(const QString& s);
    static L10n connectedCount(qint64 n, const QString& s);
    static L10n screenSuffix(const QString& s);
    static L10n syncedMinutesAgo(qint64 n);
    static L10n syncedHoursAgo(qint64 n);
    static L10n syncedDaysAgo(qint64 n);
    static L10n refreshFailed(const QString& s);
    static L10n providerSession(const QString& s);
    static L10n providerWeekly(const QString& s);
    static L10n quotaDetailFor(const QString& s);
    static L10n noDataWithReason(const QString& s);
    static L10n resetLine(double d);
    static L10n weeklyQuotaAccessibility(qint64 n, const QString& s);
    static L10n weeklyQuotaAwaiting(const QString& s);
    static L10n captionAwaiting(const QString& s, const QString& t);
    static L10n captionRemaining(const QString& s, qint64 n, const QString& t);
    static L10n suggestedPace(qint64 n);
    static L10n modelQuotaAccessibility(const QString& s, const QString& t, qint64 n);
    static L10n countdownDaysHours(qint64 n, qint64 m);
    static L10n countdownDays(qint64 n);
    static L10n countdownHoursMinutes(qint64 n, qint64 m);
    static L10n countdownHours(qint64 n);
    static L10n countdownMinutes(qint64 n);
    static L10n resetAtTime(const QString& s);
    static L10n updatedMinutesAgo(qint64 n);
    static L10n updatedHoursAgo(qint64 n);
    static L10n segmentLimitReset(const QString& s);
    static L10n segmentRemaining(const QString& s, qint64 n);
    static L10n segmentNoData(const QString& s);
    static L10n remainingPercentTier(qint64 n, const QString& s);
    static L10n providerNoData(const QString& s, const QString& t);
    static L10n providerRemaining(const QString& s, qint64 n, const QString& t);
    static L10n allProducts(qint64 n);
    static L10n catCompanion(const QString& s);

    // Plain cases.
#define METERIX_L10N_PLAIN(name, ko, en)                                                                     \
    static L10n name() {                                                                                     \
        return L10n(Case::name);                                                                             \
    }
#include "core/L10nPlainTexts.inc"
#include "core/L10nReadingTexts.inc"
#undef METERIX_L10N_PLAIN

    // Every plain case, in table order.
    static const QList<Case>& plainCases();
    static L10n plain(Case c) {
        return L10n(c);
    }

    Case kind() const {
        return kind_;
    }
    // Both texts; nothing is cached.
    L10nPair pair() const;
    // The text in the resolved language.
    QString text() const;

  private:
    explicit L10n(Case c) : kind_(c) {}
    static L10n make(Case c, qint64 n = 0, qint64 m = 0, const QString& s = {}, const QString& t = {},
                     double d = 0);

    Case kind_;
    qint64 n_ = 0;
    qint64 m_ = 0;
    QString s_;
    QString t_;
    double d_ = 0.0;
};

// The compact time until a reset ("in 1d 1h", "1일 1시간 후"); below 60 s the
// "Resets soon" text. NaN and negative values count as 0; huge values are capped.
QString quotaCountdownText(double seconds);

} // namespace meterix
