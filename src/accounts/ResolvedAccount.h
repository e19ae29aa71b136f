#pragma once

#include "accounts/AccountIdentity.h"
#include "accounts/AccountSource.h"
#include "core/AIProviderType.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace meterix {

// One account of one provider, merged from every AccountIdentity with the same id.
struct ResolvedAccount {
    QString id;
    AIProviderType provider{};
    std::optional<QString> email;
    std::optional<QString> displayName;
    std::optional<QString> organization;
    std::optional<QString> planName;
    // Every place the account was seen, in the order first seen, no place twice.
    QList<AccountSource> sources;
    bool usageReadable = false;
    QDateTime lastSeenAt;

    ResolvedAccount() = default;
    ResolvedAccount(QString id, AIProviderType provider, std::optional<QString> email,
                    std::optional<QString> displayName, std::optional<QString> organization,
                    std::optional<QString> planName, QList<AccountSource> sources, bool usageReadable,
                    QDateTime lastSeenAt);
    // The account as one identity shows it, with that identity's source only.
    explicit ResolvedAccount(const AccountIdentity& identity);

    // Merges one more identity of the same account (the caller guarantees the
    // same id and provider). The first value seen of each optional field wins,
    // even an empty one.
    void absorb(const AccountIdentity& identity);

    // The e-mail, else the display name (each only when not empty), else the
    // first 12 characters of the id.
    QString displayLabel() const;
    // "a***@example.com" for an e-mail with at least one character before its
    // first "@"; otherwise exactly displayLabel.
    QString maskedLabel() const;
    QString label(bool masked) const { return masked ? maskedLabel() : displayLabel(); }
    // The badge texts of the distinct source kinds in order, joined by " · ".
    QString sourceBadgeText() const;
    // The root path of every source that has one, in order, duplicates kept.
    QStringList watchPaths() const;

    bool operator==(const ResolvedAccount&) const = default;
};

} // namespace meterix
