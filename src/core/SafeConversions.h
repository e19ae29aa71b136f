#pragma once

#include <QDateTime>

#include <cstdint>
#include <optional>

namespace meterix {

// Conversions of numbers read from other tools' files that must never overflow.

// Truncates toward zero; nothing when the value is not finite or does not fit a
// signed 64-bit integer (a plain cast would be undefined behaviour there).
std::optional<int64_t> truncatedInt64(double value);

// The moment that many seconds after 1970-01-01 00:00:00 UTC, held within the
// years 1 to 9999 so that absurd values (1e300) neither overflow the date
// arithmetic nor produce a date our stores cannot read back. NaN gives the epoch.
QDateTime dateFromUnixSeconds(double seconds);

} // namespace meterix
