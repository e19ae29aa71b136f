#pragma once

#include <QString>

namespace meterix {

// The application's version text, as the panel's screens show it.
class MeterixBuild {
  public:
    // The application's version (the build's project version), taken on first
    // use and kept for the life of the process.
    static const QString& version();
    // The version for an application version text: that text, or "1.0.0" when
    // it is empty.
    static QString versionFrom(const QString& applicationVersion);
    static inline const QString fallbackVersion = QStringLiteral("1.0.0");
};

} // namespace meterix
