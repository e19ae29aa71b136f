#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace meterix {

// Our stores' date form: "yyyy-MM-ddTHH:mm:ssZ" in UTC, whole seconds.
QString isoDateString(const QDateTime& t);

// Both readers give a date within the years 1 to 9999 in UTC, or nothing.

// Reads exactly the store form: whole seconds, with "Z" or a "+hh:mm"/"-hh:mm"
// offset. Fractional seconds, missing zones and anything else give nothing.
std::optional<QDateTime> parseIsoDate(QStringView text);

// RFC 3339 as other tools write it: fractional seconds allowed (any number of
// digits, read to the millisecond), "T" or "t" or " " between date and time,
// the zone ("Z"/"z" or an offset) required. Result in UTC.
std::optional<QDateTime> parseRfc3339(QStringView text);

} // namespace meterix
