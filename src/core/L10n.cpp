#include "core/L10n.h"

#include "core/Localization.h"
#include "core/Numbers.h"

namespace meterix {

L10n L10n::errorHTTPStatus(qint64 n) {
    return make(Case::errorHTTPStatus, n);
}

L10n L10n::claudeWeeklyModel(const QString& s) {
    return make(Case::claudeWeeklyModel, 0, 0, s);
}

L10n L10n::codexWindowWeeks(qint64 n) {
    return make(Case::codexWindowWeeks, n);
}

L10n L10n::codexWindowDays(qint64 n) {
    return make(Case::codexWindowDays, n);
}

L10n L10n::codexWindowHours(qint64 n) {
    return make(Case::codexWindowHours, n);
}

L10n L10n::codexWindowMinutes(qint64 n) {
    return make(Case::codexWindowMinutes, n);
}

L10n L10n::codexBalance(const QString& s) {
    return make(Case::codexBalance, 0, 0, s);
}

L10n L10n::groqTokensPerMinute(qint64 n) {
    return make(Case::groqTokensPerMinute, n);
}

L10n L10n::groqRequestsPerDay(qint64 n) {
    return make(Case::groqRequestsPerDay, n);
}

L10n L10n::openRouterAccountBalanceWith(const QString& s) {
    return make(Case::openRouterAccountBalanceWith, 0, 0, s);
}

L10n L10n::openRouterKeyBudgetWith(const QString& s, const QString& t) {
    return make(Case::openRouterKeyBudgetWith, 0, 0, s, t);
}

L10n L10n::openRouterKeyUsed(const QString& s) {
    return make(Case::openRouterKeyUsed, 0, 0, s);
}

L10n L10n::googleAccountSuffix(const QString& s) {
    return make(Case::googleAccountSuffix, 0, 0, s);
}

L10n L10n::connectedCount(qint64 n, const QString& s) {
    return make(Case::connectedCount, n, 0, s);
}

L10n L10n::screenSuffix(const QString& s) {
    return make(Case::screenSuffix, 0, 0, s);
}

L10n L10n::syncedMinutesAgo(qint64 n) {
    return make(Case::syncedMinutesAgo, n);
}

L10n L10n::syncedHoursAgo(qint64 n) {
    return make(Case::syncedHoursAgo, n);
}

L10n L10n::syncedDaysAgo(qint64 n) {
    return make(Case::syncedDaysAgo, n);
}

L10n L10n::refreshFailed(const QString& s) {
    return make(Case::refreshFailed, 0, 0, s);
}

L10n L10n::providerSession(const QString& s) {
    return make(Case::providerSession, 0, 0, s);
}

L10n L10n::providerWeekly(const QString& s) {
    return make(Case::providerWeekly, 0, 0, s);
}

L10n L10n::quotaDetailFor(const QString& s) {
    return make(Case::quotaDetailFor, 0, 0, s);
}

L10n L10n::noDataWithReason(const QString& s) {
    return make(Case::noDataWithReason, 0, 0, s);
}

L10n L10n::resetLine(double d) {
    return make(Case::resetLine, 0, 0, {}, {}, d);
}

L10n L10n::weeklyQuotaAccessibility(qint64 n, const QString& s) {
    return make(Case::weeklyQuotaAccessibility, n, 0, s);
}

L10n L10n::weeklyQuotaAwaiting(const QString& s) {
    return make(Case::weeklyQuotaAwaiting, 0, 0, s);
}

L10n L10n::captionAwaiting(const QString& s, const QString& t) {
    return make(Case::captionAwaiting, 0, 0, s, t);
}

L10n L10n::captionRemaining(const QString& s, qint64 n, const QString& t) {
    return make(Case::captionRemaining, n, 0, s, t);
}

L10n L10n::suggestedPace(qint64 n) {
    return make(Case::suggestedPace, n);
}

L10n L10n::modelQuotaAccessibility(const QString& s, const QString& t, qint64 n) {
    return make(Case::modelQuotaAccessibility, n, 0, s, t);
}

L10n L10n::countdownDaysHours(qint64 n, qint64 m) {
    return make(Case::countdownDaysHours, n, m);
}

L10n L10n::countdownDays(qint64 n) {
    return make(Case::countdownDays, n);
}

L10n L10n::countdownHoursMinutes(qint64 n, qint64 m) {
    return make(Case::countdownHoursMinutes, n, m);
}

L10n L10n::countdownHours(qint64 n) {
    return make(Case::countdownHours, n);
}

L10n L10n::countdownMinutes(qint64 n) {
    return make(Case::countdownMinutes, n);
}

L10n L10n::resetAtTime(const QString& s) {
    return make(Case::resetAtTime, 0, 0, s);
}

L10n L10n::updatedMinutesAgo(qint64 n) {
    return make(Case::updatedMinutesAgo, n);
}

L10n L10n::updatedHoursAgo(qint64 n) {
    return make(Case::updatedHoursAgo, n);
}

L10n L10n::segmentLimitReset(const QString& s) {
    return make(Case::segmentLimitReset, 0, 0, s);
}

L10n L10n::segmentRemaining(const QString& s, qint64 n) {
    return make(Case::segmentRemaining, n, 0, s);
}

L10n L10n::segmentNoData(const QString& s) {
    return make(Case::segmentNoData, 0, 0, s);
}

L10n L10n::remainingPercentTier(qint64 n, const QString& s) {
    return make(Case::remainingPercentTier, n, 0, s);
}

L10n L10n::providerNoData(const QString& s, const QString& t) {
    return make(Case::providerNoData, 0, 0, s, t);
}

L10n L10n::providerRemaining(const QString& s, qint64 n, const QString& t) {
    return make(Case::providerRemaining, n, 0, s, t);
}

L10n L10n::allProducts(qint64 n) {
    return make(Case::allProducts, n);
}

L10n L10n::catCompanion(const QString& s) {
    return make(Case::catCompanion, 0, 0, s);
}

L10n L10n::make(Case c, qint64 n, qint64 m, const QString& s, const QString& t, double d) {
    L10n l(c);
    l.n_ = n;
    l.m_ = m;
    l.s_ = s;
    l.t_ = t;
    l.d_ = d;
    return l;
}

const QList<L10n::Case>& L10n::plainCases() {
    static const QList<Case> cases = {
#define METERIX_L10N_PLAIN(name, ko, en) Case::name,
#include "core/L10nPlainTexts.inc"
#include "core/L10nReadingTexts.inc"
#undef METERIX_L10N_PLAIN
    };
    return cases;
}

L10nPair L10n::pair() const {
    const qint64 n = n_;
    const qint64 m = m_;
    const QString& s = s_;
    const QString& t = t_;
    switch (kind_) {
    case Case::errorHTTPStatus:
        return {QStringLiteral("사용량 조회 실패 (HTTP ") + QString::number(n) + QStringLiteral(")"),
                QStringLiteral("Usage read failed (HTTP ") + QString::number(n) + QStringLiteral(")")};
    case Case::claudeWeeklyModel:
        return {QStringLiteral("주간 (") + s + QStringLiteral(")"),
                QStringLiteral("Weekly (") + s + QStringLiteral(")")};
    case Case::codexWindowWeeks:
        return {QString::number(n) + QStringLiteral("주 한도"),
                QString::number(n) + QStringLiteral("-week limit")};
    case Case::codexWindowDays:
        return {QString::number(n) + QStringLiteral("일 한도"),
                QString::number(n) + QStringLiteral("-day limit")};
    case Case::codexWindowHours:
        return {QString::number(n) + QStringLiteral("시간 한도"),
                QString::number(n) + QStringLiteral("-hour limit")};
    case Case::codexWindowMinutes:
        return {QString::number(n) + QStringLiteral("분 한도"),
                QString::number(n) + QStringLiteral("-minute limit")};
    case Case::codexBalance:
        return {QStringLiteral("잔액 ") + s, QStringLiteral("Balance ") + s};
    case Case::groqTokensPerMinute:
        return {QStringLiteral("분당 ") + QString::number(n) + QStringLiteral(" 토큰"),
                QString::number(n) + QStringLiteral(" tokens/min")};
    case Case::groqRequestsPerDay:
        return {QStringLiteral("일일 ") + QString::number(n) + QStringLiteral(" 요청"),
                QString::number(n) + QStringLiteral(" requests/day")};
    case Case::openRouterAccountBalanceWith:
        return {QStringLiteral("계정 잔액 (") + s + QStringLiteral(")"),
                QStringLiteral("Account balance (") + s + QStringLiteral(")")};
    case Case::openRouterKeyBudgetWith:
        return {QStringLiteral("API 키 예산 (") + s + QStringLiteral(" / ") + t + QStringLiteral(")"),
                QStringLiteral("API key budget (") + s + QStringLiteral(" / ") + t + QStringLiteral(")")};
    case Case::openRouterKeyUsed:
        return {QStringLiteral("API 키 (") + s + QStringLiteral(" 사용)"),
                QStringLiteral("API key (") + s + QStringLiteral(" used)")};
    case Case::googleAccountSuffix:
        return {QStringLiteral("Google 계정 ···") + s, QStringLiteral("Google account ···") + s};
    case Case::connectedCount:
        return {QString::number(n) + QStringLiteral("개 연결 · ") + s,
                QString::number(n) + QStringLiteral(" connected · ") + s};
    case Case::screenSuffix:
        return {s + QStringLiteral(" 화면"), s + QStringLiteral(" screen")};
    case Case::syncedMinutesAgo:
        return {QString::number(n) + QStringLiteral("분 전 기준"),
                QStringLiteral("as of ") + QString::number(n) + QStringLiteral("m ago")};
    case Case::syncedHoursAgo:
        return {QString::number(n) + QStringLiteral("시간 전 기준"),
                QStringLiteral("as of ") + QString::number(n) + QStringLiteral("h ago")};
    case Case::syncedDaysAgo:
        return {QString::number(n) + QStringLiteral("일 전 기준"),
                QStringLiteral("as of ") + QString::number(n) + QStringLiteral("d ago")};
    case Case::refreshFailed:
        return {QStringLiteral("갱신 실패: ") + s, QStringLiteral("Refresh failed: ") + s};
    case Case::providerSession:
        return {s + QStringLiteral(" 세션"), s + QStringLiteral(" session")};
    case Case::providerWeekly:
        return {s + QStringLiteral(" 주간"), s + QStringLiteral(" weekly")};
    case Case::quotaDetailFor:
        return {s + QStringLiteral(" 쿼터 상세"), s + QStringLiteral(" quota detail")};
    case Case::noDataWithReason:
        return {s + QStringLiteral(" (데이터 없음)"), s + QStringLiteral(" (no data)")};
    case Case::weeklyQuotaAccessibility:
        return {QStringLiteral("주간 쿼터 잔여 ") + QString::number(n) + QStringLiteral(" 퍼센트, ") + s,
                QStringLiteral("Weekly quota, ") + QString::number(n) + QStringLiteral(" percent left, ") +
                    s};
    case Case::weeklyQuotaAwaiting:
        return {QStringLiteral("주간 쿼터, ") + s + QStringLiteral(", 재측정 대기 중"),
                QStringLiteral("Weekly quota, ") + s + QStringLiteral(", awaiting re-measurement")};
    case Case::captionAwaiting:
        return {s + QStringLiteral(", ") + t + QStringLiteral(", 재측정 대기 중"),
                s + QStringLiteral(", ") + t + QStringLiteral(", awaiting re-measurement")};
    case Case::captionRemaining:
        return {s + QStringLiteral(" 잔여 ") + QString::number(n) + QStringLiteral(" 퍼센트, ") + t,
                s + QStringLiteral(", ") + QString::number(n) + QStringLiteral(" percent left, ") + t};
    case Case::suggestedPace:
        return {QStringLiteral("권장 페이스 ") + QString::number(n) + QStringLiteral(" 퍼센트"),
                QStringLiteral("Suggested pace ") + QString::number(n) + QStringLiteral(" percent")};
    case Case::modelQuotaAccessibility:
        return {s + QStringLiteral(" ") + t + QStringLiteral(" 잔여 ") + QString::number(n) +
                    QStringLiteral(" 퍼센트"),
                s + QStringLiteral(" ") + t + QStringLiteral(", ") + QString::number(n) +
                    QStringLiteral(" percent left")};
    case Case::countdownDaysHours:
        return {QString::number(n) + QStringLiteral("일 ") + QString::number(m) + QStringLiteral("시간 후"),
                QStringLiteral("in ") + QString::number(n) + QStringLiteral("d ") + QString::number(m) +
                    QStringLiteral("h")};
    case Case::countdownDays:
        return {QString::number(n) + QStringLiteral("일 후"),
                QStringLiteral("in ") + QString::number(n) + QStringLiteral("d")};
    case Case::countdownHoursMinutes:
        return {QString::number(n) + QStringLiteral("시간 ") + QString::number(m) + QStringLiteral("분 후"),
                QStringLiteral("in ") + QString::number(n) + QStringLiteral("h ") + QString::number(m) +
                    QStringLiteral("m")};
    case Case::countdownHours:
        return {QString::number(n) + QStringLiteral("시간 후"),
                QStringLiteral("in ") + QString::number(n) + QStringLiteral("h")};
    case Case::countdownMinutes:
        return {QString::number(n) + QStringLiteral("분 후"),
                QStringLiteral("in ") + QString::number(n) + QStringLiteral("m")};
    case Case::resetAtTime:
        return {s + QStringLiteral("에 리셋됨"), QStringLiteral("reset at ") + s};
    case Case::updatedMinutesAgo:
        return {QString::number(n) + QStringLiteral("분 전 업데이트"),
                QStringLiteral("Updated ") + QString::number(n) + QStringLiteral("m ago")};
    case Case::updatedHoursAgo:
        return {QString::number(n) + QStringLiteral("시간 전 업데이트"),
                QStringLiteral("Updated ") + QString::number(n) + QStringLiteral("h ago")};
    case Case::segmentLimitReset:
        return {s + QStringLiteral(" · 한도가 리셋됨 (재측정 대기)"),
                s + QStringLiteral(" · limit reset (re-measuring)")};
    case Case::segmentRemaining:
        return {s + QStringLiteral(" · 잔여 ") + QString::number(n) + QStringLiteral("%"),
                s + QStringLiteral(" · ") + QString::number(n) + QStringLiteral("% left")};
    case Case::segmentNoData:
        return {QStringLiteral("데이터 없음 (") + s + QStringLiteral(")"),
                QStringLiteral("No data (") + s + QStringLiteral(")")};
    case Case::remainingPercentTier:
        return {QStringLiteral("잔여 ") + QString::number(n) + QStringLiteral(" 퍼센트, ") + s,
                QString::number(n) + QStringLiteral(" percent left, ") + s};
    case Case::providerNoData:
        return {s + QStringLiteral(", 데이터 없음 (") + t + QStringLiteral(")"),
                s + QStringLiteral(", no data (") + t + QStringLiteral(")")};
    case Case::providerRemaining:
        return {s + QStringLiteral(", 잔여 ") + QString::number(n) + QStringLiteral(" 퍼센트, ") + t,
                s + QStringLiteral(", ") + QString::number(n) + QStringLiteral(" percent left, ") + t};
    case Case::allProducts:
        return {QStringLiteral("전체 ") + QString::number(n) + QStringLiteral("개"),
                QStringLiteral("All ") + QString::number(n)};
    case Case::catCompanion:
        return {QStringLiteral("고양이 컴패니언: ") + s, QStringLiteral("Cat companion: ") + s};
    case Case::resetLine: {
        if (!(d_ >= 60.0)) return {QStringLiteral("곧 리셋"), QStringLiteral("Resets soon")};
        const QString c = quotaCountdownText(d_);
        return {c + QStringLiteral(" 리셋"), QStringLiteral("Resets ") + c};
    }
#define METERIX_L10N_PLAIN(name, ko, en)                                                                     \
    case Case::name:                                                                                         \
        return {ko, en};
#include "core/L10nPlainTexts.inc"
#include "core/L10nReadingTexts.inc"
#undef METERIX_L10N_PLAIN
    }
    Q_UNUSED(n);
    Q_UNUSED(m);
    return {};
}

QString L10n::text() const {
    const L10nPair p = pair();
    return Localization::current() == ResolvedLanguage::korean ? p.ko : p.en;
}

QString quotaCountdownText(double seconds) {
    const qint64 s = wholeCountdownSeconds(seconds);
    const qint64 days = s / 86400;
    const qint64 rest = s % 86400;
    const qint64 hours = rest / 3600;
    const qint64 minutes = (rest % 3600) / 60;
    if (s >= 86400) {
        return rest >= 3600 ? L10n::countdownDaysHours(days, hours).text() : L10n::countdownDays(days).text();
    }
    if (rest >= 3600) {
        return minutes != 0 ? L10n::countdownHoursMinutes(hours, minutes).text()
                            : L10n::countdownHours(hours).text();
    }
    if (s < 60) return L10n::countdownSoon().text();
    return L10n::countdownMinutes(minutes).text();
}

} // namespace meterix
