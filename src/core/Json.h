#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <optional>

namespace meterix::json {

// Typed reads of other tools' and our own JSON. Each takes the object by const
// reference (QJsonObject's non-const operator[] would insert the key) and gives a
// value only when JSON holds exactly that type.

std::optional<QString> string(const QJsonObject& o, QLatin1StringView key);
// A finite JSON number.
std::optional<double> number(const QJsonObject& o, QLatin1StringView key);
// A count written as a JSON number or as a plain decimal in a string (300,
// "300", "17.25"; see parsePlainDecimal): finite, else nothing.
std::optional<double> numberOrDecimal(const QJsonObject& o, QLatin1StringView key);
// A JSON number that is a whole value within 64 bits.
std::optional<qint64> integer(const QJsonObject& o, QLatin1StringView key);
std::optional<bool> boolean(const QJsonObject& o, QLatin1StringView key);
std::optional<QJsonObject> object(const QJsonObject& o, QLatin1StringView key);
std::optional<QJsonArray> array(const QJsonObject& o, QLatin1StringView key);

// A whole value within 64 bits from a JSON value.
std::optional<qint64> integerValue(const QJsonValue& v);

// True when the key is missing or null: the two ways JSON says "absent".
bool isAbsent(const QJsonObject& o, QLatin1StringView key);

// Parses a whole document that must be an object.
std::optional<QJsonObject> parseObject(const QByteArray& bytes);

} // namespace meterix::json
