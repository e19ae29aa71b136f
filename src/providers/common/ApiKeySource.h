#pragma once

#include "core/EnvironmentLookup.h"
#include "core/UsageUnavailableReason.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace meterix {

// Key files hold one short line; anything larger is not a key file.
inline constexpr int64_t kKeyFileReadCap = 64 * 1024;
// Other tools' small JSON settings files (editors' sign-ins and settings).
inline constexpr int64_t kSettingsFileReadCap = 1024 * 1024;

// Whether a credential may be used at all: not empty, and without any control
// character (CR, LF, NUL, TAB, ...). A credential that fails this counts as no
// credential, so it can never split or extend a request header.
bool isUsableCredential(const QString& credential);

// Where a keyed adapter looks for the user's API key: environment variables,
// then a key file under the home folder. Reads files and the environment on every
// call; nothing is kept.
struct ApiKeySource {
    QStringList environmentVariables; // in the order they are consulted
    QString fileSuffix;               // "/.config/<provider>/api_key"

    // The key: a non-empty usable environment value as it is (not trimmed), else
    // the key file's text trimmed at both ends. Nothing when neither gives a
    // usable key. Blocking (reads a small file).
    std::optional<QString> resolve(const QString& homeDirectory, const EnvironmentLookup& environment) const;

    // Whether the provider counts as set up: the environment gives a non-empty
    // value, or the key file exists (its content is not examined).
    bool isDetected(const QString& homeDirectory, const EnvironmentLookup& environment) const;

    QString filePath(const QString& homeDirectory) const;

    // Where the key is looked for, as the guidance names it: the variables and
    // the key file.
    SetupLookup lookup(const QString& homeDirectory) const;
    // A path as the user types it: from "~" when under the home folder.
    static QString shownPath(const QString& path, const QString& homeDirectory);

    // The value of the first variable that is set at all, even to "": a variable
    // set to "" ends the environment step without consulting the later ones.
    static std::optional<QString> environmentValue(const QStringList& variables, const EnvironmentLookup& environment);
};

} // namespace meterix
