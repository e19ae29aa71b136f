#include "accounts/JWTClaims.h"

#include "core/Json.h"

#include <QByteArray>
#include <QStringList>

namespace meterix {

std::optional<QJsonObject> JWTClaims::payload(const QString& token) {
    const QStringList parts = token.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    if (parts.size() < 2) return std::nullopt;
    QString text = parts.at(1);
    text.replace(QLatin1Char('-'), QLatin1Char('+')).replace(QLatin1Char('_'), QLatin1Char('/'));
    while (text.size() % 4 != 0)
        text.append(QLatin1Char('='));
    const auto decoded = QByteArray::fromBase64Encoding(
        text.toLatin1(), QByteArray::Base64Encoding | QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) return std::nullopt;
    return json::parseObject(*decoded);
}

} // namespace meterix
