#pragma once

#include <QLoggingCategory>
#include <QString>

namespace meterix {

Q_DECLARE_LOGGING_CATEGORY(logProvider)
Q_DECLARE_LOGGING_CATEGORY(logWatcher)
Q_DECLARE_LOGGING_CATEGORY(logAccounts)
Q_DECLARE_LOGGING_CATEGORY(logProbeGate)

namespace MeterixLog {
inline constexpr const char* subsystem = "com.meterix";

// Account labels, e-mails and ids are private: our logs show "<private>" unless
// the process was told to show them.
QString priv(const QString& value);

// Whether private values are written in clear: off until set. The app sets it
// once at start from METERIX_LOG_PRIVATE=1, for a debugging session.
bool showsPrivateValues();
void setShowsPrivateValues(bool shown);
// What METERIX_LOG_PRIVATE's value asks for.
bool privateValuesAskedFor(const QString& environmentValue);
} // namespace MeterixLog

} // namespace meterix
