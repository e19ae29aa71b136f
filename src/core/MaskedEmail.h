#pragma once

#include <QString>

#include <optional>

namespace meterix {

// An e-mail address shown without its local part: its first user-perceived
// character, "***", then the "@" and the domain. Nothing when the address has
// no "@" after at least one character (it is then shown as it is).
std::optional<QString> maskedEmail(const QString& address);

} // namespace meterix
