#include "core/MeterixLog.h"

#include <atomic>

namespace meterix {

Q_LOGGING_CATEGORY(logProvider, "com.meterix.provider", QtInfoMsg)
Q_LOGGING_CATEGORY(logWatcher, "com.meterix.watcher", QtInfoMsg)
Q_LOGGING_CATEGORY(logAccounts, "com.meterix.accounts", QtInfoMsg)
Q_LOGGING_CATEGORY(logProbeGate, "com.meterix.ProbeGate", QtInfoMsg)

namespace MeterixLog {

namespace {
// Read by every thread that logs; set once at start.
std::atomic<bool> privateValuesShown{false};
} // namespace

bool showsPrivateValues() { return privateValuesShown.load(std::memory_order_relaxed); }

void setShowsPrivateValues(bool shown) { privateValuesShown.store(shown, std::memory_order_relaxed); }

bool privateValuesAskedFor(const QString& environmentValue) { return environmentValue == QLatin1String("1"); }

QString priv(const QString& value) {
    if (showsPrivateValues()) return value;
    return QStringLiteral("<private>");
}

} // namespace MeterixLog
} // namespace meterix
