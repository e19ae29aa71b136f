#pragma once

#include <QLoggingCategory>
#include <QString>

#include <optional>

namespace meterix {

Q_DECLARE_LOGGING_CATEGORY(logProvider)
Q_DECLARE_LOGGING_CATEGORY(logWatcher)
Q_DECLARE_LOGGING_CATEGORY(logAccounts)
Q_DECLARE_LOGGING_CATEGORY(logProbeGate)

namespace MeterixLog {
inline constexpr const char* subsystem = "com.meterix";

// Account labels, e-mails and ids are private: our logs show "<private>" unless
// METERIX_LOG_PRIVATE=1 is set for a debugging session.
QString priv(const QString& value);

// Whether private values are written in clear (read once per process).
bool showsPrivateValues();
// Test seam: override the switch (pass nothing to go back to the environment).
void setShowsPrivateValuesForTesting(std::optional<bool> value);
} // namespace MeterixLog

} // namespace meterix
