#include "core/PathContainment.h"

namespace meterix {

bool isSameOrInsideFolder(QStringView path, QStringView folder) {
    if (folder.isEmpty()) return false;
    if (path == folder) return true;
    if (folder.endsWith(QLatin1Char('/'))) return path.startsWith(folder);
    return path.size() > folder.size() && path.startsWith(folder) && path[folder.size()] == QLatin1Char('/');
}

} // namespace meterix
