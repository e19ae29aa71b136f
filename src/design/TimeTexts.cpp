#include "design/TimeTexts.h"

#include "core/L10n.h"
#include "core/Numbers.h"

namespace meterix {

qint64 wholeSecondsSince(const QDateTime& date, const QDateTime& now) {
    if (!date.isValid() || !now.isValid()) return 0;
    return saturatingInt64(secondsBetween(date, now));
}

QString relativeUpdateText(const QDateTime& date, const Clock& clock) {
    const qint64 s = wholeSecondsSince(date, clock.now());
    if (s <= 59) return L10n::updatedJustNow().text();
    if (s < 3600) return L10n::updatedMinutesAgo(s / 60).text();
    return L10n::updatedHoursAgo(s / 3600).text();
}

QString quotaResetAtText(const QDateTime& date, const QLocale& locale) {
    const QString time = locale.toString(date.toLocalTime().time(), QLocale::ShortFormat);
    return L10n::resetAtTime(time).text();
}

QString accountReadingAgeText(const QDateTime& date, const Clock& clock) {
    const qint64 s = wholeSecondsSince(date, clock.now());
    if (s <= 59) return L10n::syncedJustNow().text();
    if (s <= 3599) return L10n::syncedMinutesAgo(s / 60).text();
    if (s <= 86399) return L10n::syncedHoursAgo(s / 3600).text();
    return L10n::syncedDaysAgo(s / 86400).text();
}

QList<QDateTime> timeTextMoments(const UsageSnapshot& snapshot) {
    const UsageSnapshot& s = snapshot;
    QList<QDateTime> moments{s.capturedAt, s.lastUpdated};
    for (const auto& at : {s.headlineResetAt, s.weeklyResetAt})
        if (at) moments.append(*at);
    for (const ModelQuotaItem& item : s.modelQuotas)
        if (item.resetAt) moments.append(*item.resetAt);
    return moments;
}

} // namespace meterix
