#include "core/PlatformPaths.h"

#include "core/Paths.h"
#include "core/SafeFile.h"

#include <algorithm>

namespace meterix {

namespace {

enum class Root { absolute, home, configHome };

struct Row {
    InstallLocation location;
    Root root;
    const char* path;
};

constexpr Row kRows[] = {
    {InstallLocation::cursorSupportFolder, Root::home, "Library/Application Support/Cursor"},
    {InstallLocation::cursorSupportFolder, Root::configHome, "Cursor"},
    {InstallLocation::windsurfApplication, Root::absolute, "/Applications/Windsurf.app"},
    // The package's folder (an archive goes wherever its user unpacks it), then
    // the user data every install keeps.
    {InstallLocation::windsurfApplication, Root::absolute, "/usr/share/windsurf"},
    {InstallLocation::windsurfApplication, Root::configHome, "Windsurf"},
    {InstallLocation::windsurfApplication, Root::home, ".codeium/windsurf"},
    // Zed's own installer (the app and its command), distribution packages, then
    // Flathub's launcher for a per-user and a system-wide install.
    {InstallLocation::zedApplication, Root::absolute, "/Applications/Zed.app"},
    {InstallLocation::zedApplication, Root::home, ".local/zed.app"},
    {InstallLocation::zedApplication, Root::home, ".local/bin/zed"},
    {InstallLocation::zedApplication, Root::absolute, "/usr/bin/zeditor"},
    {InstallLocation::zedApplication, Root::absolute, "/usr/bin/zed"},
    {InstallLocation::zedApplication, Root::home, ".local/share/flatpak/exports/bin/dev.zed.Zed"},
    {InstallLocation::zedApplication, Root::absolute, "/var/lib/flatpak/exports/bin/dev.zed.Zed"},
};

} // namespace

QStringList PlatformPaths::paths(InstallLocation location, const QString& homeDirectory, const QString& configHome) {
    QStringList result;
    for (const Row& row : kRows) {
        if (row.location != location) continue;
        const QString path = QString::fromUtf8(row.path);
        switch (row.root) {
        case Root::absolute:
            result.append(path);
            break;
        case Root::home:
            result.append(joinPath(homeDirectory, path));
            break;
        case Root::configHome:
            result.append(joinPath(configHome, path));
            break;
        }
    }
    return result;
}

QStringList PlatformPaths::paths(InstallLocation location) {
    return paths(location, homeFolder(), configHome());
}

bool PlatformPaths::anyExists(const QStringList& paths) {
    return std::any_of(paths.begin(), paths.end(), [](const QString& path) { return exists(path); });
}

} // namespace meterix
