#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace meterix {

// Reads one environment variable: nothing when it is not set at all, else its
// value (possibly empty, which is not the same as unset). Readers take one so
// tests never change the process environment under other threads.
using EnvironmentLookup = std::function<std::optional<QString>(const QString& name)>;

// The environment of this process, read afresh on every call.
EnvironmentLookup processEnvironment();

} // namespace meterix
