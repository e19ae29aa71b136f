#pragma once

#include "accounts/AccountSourceKind.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <optional>

namespace meterix {

// One place in which accounts are found: a CLI profile folder, a desktop app,
// an IDE. Several sources may share an id (one per CLI profile folder); the
// rootPath tells them apart.
struct AccountSource {
    QString id;
    AccountSourceKind kind = AccountSourceKind::cli;
    QString displayName;
    // The folder whose changes mean this account is in use.
    std::optional<QString> rootPath;
    // Empty for CLI sources.
    QStringList bundleIdentifiers;

    // Same id and same rootPath (two absent paths are equal): the identity used
    // when merging accounts and listing sources.
    bool isSamePlace(const AccountSource& other) const {
        return id == other.id && rootPath == other.rootPath;
    }

    // Field names as keys; "rootPath" left out when absent.
    QJsonObject toJson() const;
    static std::optional<AccountSource> fromJson(const QJsonObject& o);

    bool operator==(const AccountSource&) const = default;
};

} // namespace meterix
