#pragma once

#include "core/HostEnvironment.h"

#include <QMap>
#include <QProcessEnvironment>
#include <QString>

#include <functional>
#include <optional>

namespace meterix {

// Changes to the child's inherited environment: a value sets the variable, an
// absent value removes it.
using EnvironmentOverrides = QMap<QString, std::optional<QString>>;

// The environment a client runs with: only what a client needs (the home, the
// locale, the display and session, proxies and certificates, the node version
// managers' folders) and the client's own variables (the prefixes its
// provider's descriptor names), never the keys of the other providers. Its PATH holds the folders `trusted` gives a real path
// for: the client's folder first (npm's clients are node scripts, "#!/usr/bin/env
// node", and their node lies beside them), then ~/.local/bin, /usr/local/bin,
// /usr/bin, /bin and the absolute entries of the app's own PATH. The overrides
// apply last; an overriding PATH replaces the whole PATH.
QProcessEnvironment childEnvironment(const HostEnvironment& host, const EnvironmentOverrides& overrides,
                                     const QString& clientPath,
                                     const std::function<std::optional<QString>(const QString&)>& trusted);

} // namespace meterix
