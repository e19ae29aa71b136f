#pragma once

#include "core/HostEnvironment.h"
#include "core/Paths.h"

namespace meterix::test {

// A home of its own: ~/.config and ~/.local/share below it, and the given
// variables (none by default) with HOME pointing at it.
inline HostEnvironment hostUnderHome(const QString& home, QProcessEnvironment variables = QProcessEnvironment()) {
    variables.insert(QStringLiteral("HOME"), home);
    return HostEnvironment{home, joinPath(home, QStringLiteral(".config")),
                           joinPath(home, QStringLiteral(".local/share")), std::move(variables)};
}

} // namespace meterix::test
