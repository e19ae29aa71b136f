#pragma once

#include "core/Clock.h"
#include "core/UsageSnapshot.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace meterix {

// The short time texts of the card, the quota views and the panel. Each picks its
// language from the resolved language at the moment it is built. The countdown
// text itself is quotaCountdownText in core/L10n.h.

// "Updated just now" up to 59 s (and for dates in the future), then whole minutes,
// then whole hours (no day step: two days ago is 48 h).
QString relativeUpdateText(const QDateTime& date, const Clock& clock = Clock::system());

// The time of day of date in the short time format of locale (the system's, not
// the app language's), put in the resetAtTime text ("reset at 14:05").
QString quotaResetAtText(const QDateTime& date, const QLocale& locale = QLocale::system());

// The age of a reading: "as of just now" up to 59 s (and for dates in the
// future), then whole minutes, whole hours, and whole days.
QString accountReadingAgeText(const QDateTime& date, const Clock& clock = Clock::system());

// The moments the time texts of a reading count to or from: when it was taken
// and made, and every reset it counts down to (worked out from its countdowns
// where it names no moment).
QList<QDateTime> timeTextMoments(const UsageSnapshot& snapshot);

// Whole seconds from date to now, truncated toward zero (negative for the future;
// 0 for an invalid date).
qint64 wholeSecondsSince(const QDateTime& date, const QDateTime& now);

} // namespace meterix
