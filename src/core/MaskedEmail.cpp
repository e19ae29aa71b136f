#include "core/MaskedEmail.h"

#include "core/TextUtil.h"

namespace meterix {

std::optional<QString> maskedEmail(const QString& address) {
    const qsizetype at = address.indexOf(QLatin1Char('@'));
    if (at <= 0) return std::nullopt;
    return firstCharacter(address.left(at)) + QStringLiteral("***") + address.mid(at);
}

} // namespace meterix
