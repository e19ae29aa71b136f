#include "core/PlatformPaths.h"

#include "core/Paths.h"
#include "core/SafeFile.h"

#include <algorithm>

namespace meterix {

QStringList PlatformPaths::paths(const QList<InstallPlace>& places, const QString& homeDirectory,
                                 const QString& configHome) {
    QStringList result;
    for (const InstallPlace& place : places) {
        const QString path = QString::fromUtf8(place.path);
        switch (place.root) {
        case InstallPlace::Root::absolute:
            result.append(path);
            break;
        case InstallPlace::Root::home:
            result.append(joinPath(homeDirectory, path));
            break;
        case InstallPlace::Root::configHome:
            result.append(joinPath(configHome, path));
            break;
        }
    }
    return result;
}

bool PlatformPaths::anyExists(const QStringList& paths) {
    return std::any_of(paths.begin(), paths.end(), [](const QString& path) { return exists(path); });
}

} // namespace meterix
