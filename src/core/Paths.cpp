#include "core/Paths.h"

#include <QDir>

#include <pwd.h>
#include <unistd.h>

namespace meterix {

QString joinPath(const QString& base, const QString& component) {
    if (base.isEmpty()) return component;
    QString left = base;
    while (left.size() > 1 && left.endsWith(QLatin1Char('/')))
        left.chop(1);
    QString right = component;
    while (right.startsWith(QLatin1Char('/')))
        right.remove(0, 1);
    if (left == QLatin1String("/")) return left + right;
    if (right.isEmpty()) return left;
    return left + QLatin1Char('/') + right;
}

QString lastPathComponent(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p.mid(p.lastIndexOf(QLatin1Char('/')) + 1);
}

QString homeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty()) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return QString::fromLocal8Bit(pw->pw_dir);
    return QDir::rootPath();
}

namespace {
QString xdgFolder(const QString& value, const QString& home, const QString& fallbackUnderHome) {
    // The XDG rules ignore relative values.
    if (!value.isEmpty() && value.startsWith(QLatin1Char('/'))) return value;
    return joinPath(home, fallbackUnderHome);
}
} // namespace

QString configHome() {
    return configHome(homeFolder(), qEnvironmentVariable("XDG_CONFIG_HOME"));
}

QString configHome(const QString& home, const QString& xdgConfigHome) {
    return xdgFolder(xdgConfigHome, home, QStringLiteral(".config"));
}

QString dataHome() {
    return xdgFolder(qEnvironmentVariable("XDG_DATA_HOME"), homeFolder(), QStringLiteral(".local/share"));
}

QString meterixDataFolder() {
    return joinPath(dataHome(), QStringLiteral("Meterix"));
}

} // namespace meterix
