#include "panels/MeterixBuild.h"

#include <QCoreApplication>

namespace meterix {

const QString& MeterixBuild::version() {
    static const QString value = versionFrom(QCoreApplication::applicationVersion());
    return value;
}

QString MeterixBuild::versionFrom(const QString& applicationVersion) {
    const QString trimmed = applicationVersion.trimmed();
    return trimmed.isEmpty() ? fallbackVersion : trimmed;
}

} // namespace meterix
