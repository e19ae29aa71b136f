#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace meterix {

// Reads the claims of a JSON Web Token found in another tool's file. Nothing is
// verified: neither the signature nor the expiry; the claims only name an account.
class JWTClaims {
  public:
    JWTClaims() = delete;

    // The payload (the part after the first ".") as a JSON object, or absent.
    static std::optional<QJsonObject> payload(const QString& token);
};

} // namespace meterix
