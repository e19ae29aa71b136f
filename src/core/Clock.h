#pragma once

#include <QDateTime>

#include <chrono>
#include <functional>
#include <optional>

namespace meterix {

// The one source of "now". Production reads the system clocks; tests inject fixed
// or stepped values so no test waits for real time to pass.
class Clock {
  public:
    virtual ~Clock() = default;
    // Wall time in UTC, for absolute dates.
    virtual QDateTime now() const = 0;
    // Monotonic time, for intervals, floors and cooldowns.
    virtual std::chrono::steady_clock::time_point monotonicNow() const = 0;

    // The process-wide clock (system time unless a test replaced it).
    static const Clock& system();
};

class SystemClock final : public Clock {
  public:
    QDateTime now() const override;
    std::chrono::steady_clock::time_point monotonicNow() const override;
};

// Seconds from a to b, with millisecond precision.
double secondsBetween(const QDateTime& a, const QDateTime& b);
QDateTime addSeconds(const QDateTime& t, double seconds);
// Seconds from now until a moment still ahead; nothing without a moment or
// when it is not ahead.
std::optional<double> secondsUntil(const QDateTime& now, const std::optional<QDateTime>& at);
// The moment some seconds after from, as a countdown read at from gives it;
// nothing without seconds, with seconds that are not finite or without a valid
// from. It never leaves the years 1 to 9999.
std::optional<QDateTime> momentAfter(const QDateTime& from, const std::optional<double>& seconds);

} // namespace meterix
