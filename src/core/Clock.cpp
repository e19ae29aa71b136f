#include "core/Clock.h"

#include "core/Numbers.h"

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

QDateTime addSeconds(const QDateTime& t, double seconds) {
    // Saturate so absurd values from other tools never overflow the date arithmetic.
    constexpr double limitMs = 1e15; // about 31,700 years
    const double ms = std::isfinite(seconds) ? seconds * 1000.0 : 0.0;
    return t.addMSecs(saturatingInt64(std::round(ms), -limitMs, limitMs));
}

} // namespace meterix
