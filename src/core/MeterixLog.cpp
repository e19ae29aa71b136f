#include "core/MeterixLog.h"

#include "core/Locked.h"

namespace meterix {

Q_LOGGING_CATEGORY(logProvider, "com.meterix.provider", QtInfoMsg)
Q_LOGGING_CATEGORY(logWatcher, "com.meterix.watcher", QtInfoMsg)
Q_LOGGING_CATEGORY(logAccounts, "com.meterix.accounts", QtInfoMsg)
Q_LOGGING_CATEGORY(logProbeGate, "com.meterix.ProbeGate", QtInfoMsg)

namespace MeterixLog {

namespace {
Locked<std::optional<bool>>& overrideBox() {
    static Locked<std::optional<bool>> box;
    return box;
}
bool fromEnvironment() {
    static const bool value = qEnvironmentVariable("METERIX_LOG_PRIVATE") == QLatin1String("1");
    return value;
}
} // namespace

bool showsPrivateValues() {
    if (const auto forced = overrideBox().get()) return *forced;
    return fromEnvironment();
}

void setShowsPrivateValuesForTesting(std::optional<bool> value) {
    overrideBox().set(value);
}

QString priv(const QString& value) {
    if (showsPrivateValues()) return value;
    return QStringLiteral("<private>");
}

} // namespace MeterixLog
} // namespace meterix
