#pragma once

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace meterix {

// What kind of place an account was found in.
enum class AccountSourceKind { cli, desktopApp, ide, api };

// The case name; also the persisted form.
QString rawValue(AccountSourceKind k);
// Exact, case-sensitive; any other text gives nothing.
std::optional<AccountSourceKind> accountSourceKindFromRawValue(QStringView raw);
// "CLI", "App" (translated in Korean), "IDE", "API", in the language resolved now.
QString badgeText(AccountSourceKind k);
// The symbol name the views draw for this kind.
QString symbol(AccountSourceKind k);

inline size_t qHash(AccountSourceKind k, size_t seed = 0) noexcept {
    return ::qHash(static_cast<int>(k), seed);
}

} // namespace meterix
