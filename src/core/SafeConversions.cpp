#include "core/SafeConversions.h"

#include <QTimeZone>

#include <cmath>

namespace meterix {

std::optional<int64_t> truncatedInt64(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double whole = std::trunc(value);
    // 2^63 is exactly representable; the range is [-2^63, 2^63).
    constexpr double limit = 9223372036854775808.0;
    if (whole < -limit || whole >= limit) return std::nullopt;
    return static_cast<int64_t>(whole);
}

namespace {

qint64 earliestMs() {
    static const qint64 ms = QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    return ms;
}
qint64 latestMs() {
    static const qint64 ms =
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC).toMSecsSinceEpoch();
    return ms;
}

} // namespace

QDateTime dateFromUnixSeconds(double seconds) {
    if (std::isnan(seconds)) seconds = 0;
    const double ms = std::round(seconds * 1000.0);
    qint64 clamped;
    if (ms <= static_cast<double>(earliestMs()))
        clamped = earliestMs();
    else if (ms >= static_cast<double>(latestMs()))
        clamped = latestMs();
    else
        clamped = static_cast<qint64>(ms);
    return QDateTime::fromMSecsSinceEpoch(clamped, Qt::UTC);
}

} // namespace meterix
