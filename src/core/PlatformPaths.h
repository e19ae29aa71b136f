#pragma once

#include <QString>
#include <QStringList>

namespace meterix {

// Things of other tools whose install location differs between macOS and Linux.
enum class InstallLocation {
    cursorSupportFolder,
    windsurfApplication,
    zedApplication,
};

// The one table of where other tools are installed. Each location lists the
// macOS path first and then where Linux packages put the same thing; callers
// test them in this order.
struct PlatformPaths {
    // Paths under the home folder or the config home are built from the given
    // folders, so tests can point them at a temporary home.
    static QStringList paths(InstallLocation location, const QString& homeDirectory, const QString& configHome);
    // The same for this user's real folders.
    static QStringList paths(InstallLocation location);

    // Whether any of the paths exists (of any kind); stat calls only.
    static bool anyExists(const QStringList& paths);
};

} // namespace meterix
