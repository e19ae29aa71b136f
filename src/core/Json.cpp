#include "core/Json.h"

#include "core/Numbers.h"

#include <QJsonDocument>

#include <cmath>

namespace meterix::json {

std::optional<QString> string(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isString()) return std::nullopt;
    return v.toString();
}

std::optional<double> number(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isDouble()) return std::nullopt;
    const double d = v.toDouble();
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

std::optional<double> numberOrDecimal(const QJsonObject& o, QLatin1StringView key) {
    if (const auto text = string(o, key)) return parsePlainDecimal(*text);
    return number(o, key);
}

std::optional<qint64> integerValue(const QJsonValue& v) {
    if (!v.isDouble()) return std::nullopt;
    // toInteger gives its default unless the value is a whole number within 64
    // bits; two different defaults tell a real 0 or 1 from a refusal.
    const qint64 a = v.toInteger(0);
    const qint64 b = v.toInteger(1);
    if (a != b) return std::nullopt;
    return a;
}

std::optional<qint64> integer(const QJsonObject& o, QLatin1StringView key) {
    return integerValue(o.value(key));
}

std::optional<bool> boolean(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isBool()) return std::nullopt;
    return v.toBool();
}

std::optional<QJsonObject> object(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isObject()) return std::nullopt;
    return v.toObject();
}

std::optional<QJsonArray> array(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    if (!v.isArray()) return std::nullopt;
    return v.toArray();
}

bool isAbsent(const QJsonObject& o, QLatin1StringView key) {
    const QJsonValue v = o.value(key);
    return v.isUndefined() || v.isNull();
}

std::optional<QJsonObject> parseObject(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return std::nullopt;
    return doc.object();
}

} // namespace meterix::json
