#pragma once

#include "accounts/AccountSource.h"
#include "core/AIProviderType.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include <optional>

namespace meterix {

// One account as one resolver saw it in one place. Kept in memory only.
// Built with designated initialisers in field order.
struct AccountIdentity {
    // The account's identifier within its provider (each resolver says which).
    QString id;
    AIProviderType provider{};
    AccountSource source;
    std::optional<QString> email;
    std::optional<QString> displayName;
    std::optional<QString> organization;
    std::optional<QString> planName;
    // True when usage figures can be read for this account from this source.
    bool usageReadable = false;
    // The time of the scan that saw it.
    QDateTime lastSeenAt;

    // Field names as keys; the four optional fields only when present.
    QJsonObject toJson() const;
    static std::optional<AccountIdentity> fromJson(const QJsonObject& o);

    bool operator==(const AccountIdentity&) const = default;
};

} // namespace meterix
