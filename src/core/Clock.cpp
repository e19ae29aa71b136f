#include "core/Clock.h"

#include "core/Numbers.h"

#include <algorithm>
#include <cmath>

namespace meterix {

const Clock& Clock::system() {
    static const SystemClock clock;
    return clock;
}

QDateTime SystemClock::now() const {
    return QDateTime::currentDateTimeUtc();
}

std::chrono::steady_clock::time_point SystemClock::monotonicNow() const {
    return std::chrono::steady_clock::now();
}

double secondsBetween(const QDateTime& a, const QDateTime& b) {
    return static_cast<double>(a.msecsTo(b)) / 1000.0;
}

std::optional<double> secondsUntil(const QDateTime& now, const std::optional<QDateTime>& at) {
    if (!at) return std::nullopt;
    const double seconds = secondsBetween(now, *at);
    if (!(seconds > 0)) return std::nullopt;
    return seconds;
}

std::optional<QDateTime> momentAfter(const QDateTime& from, const std::optional<double>& seconds) {
    if (!seconds || !std::isfinite(*seconds) || !from.isValid()) return std::nullopt;
    // Held to the years a stored date can name, so that the moment of an absurd
    // countdown is still written and read back.
    static const QDateTime first(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
    static const QDateTime last(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC);
    return std::clamp(addSeconds(from, *seconds), first, last);
}

QDateTime addSeconds(const QDateTime& t, double seconds) {
    // Saturate so absurd values from other tools never overflow the date arithmetic.
    constexpr double limitMs = 1e15; // about 31,700 years
    const double ms = std::isfinite(seconds) ? seconds * 1000.0 : 0.0;
    return t.addMSecs(saturatingInt64(std::round(ms), -limitMs, limitMs));
}

} // namespace meterix
