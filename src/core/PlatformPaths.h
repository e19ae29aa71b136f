#pragma once

#include <QString>
#include <QStringList>

#include <QList>

namespace meterix {

// A place another tool installs to on Linux: an absolute path, or one under
// the home folder or the config home. Each provider's descriptor lists its own.
struct InstallPlace {
    enum class Root { absolute, home, configHome };
    Root root = Root::absolute;
    const char* path = "";
};

struct PlatformPaths {
    // The places as paths, in their order; those under the home folder or the
    // config home are built from the given folders, so tests can point them at
    // a temporary home.
    static QStringList paths(const QList<InstallPlace>& places, const QString& homeDirectory,
                             const QString& configHome);

    // Whether any of the paths exists (of any kind); stat calls only.
    static bool anyExists(const QStringList& paths);
};

} // namespace meterix
