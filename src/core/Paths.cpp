#include "core/Paths.h"

#include "core/FileDescriptor.h"
#include "core/SafeFile.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
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

bool makePrivateFolder(const QString& folder) {
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    // Each missing folder on the way is made owner-only, as the XDG rules ask.
    for (qsizetype at = absolute.indexOf(QLatin1Char('/'), 1);;
         at = absolute.indexOf(QLatin1Char('/'), at + 1)) {
        const QByteArray part = QFile::encodeName(at < 0 ? absolute : absolute.left(at));
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) return false;
        if (at < 0) break;
    }
    const Fd fd = openFolderNoFollow(absolute);
    if (!fd) {
        // A link to a folder: its mode is the user's choice.
        const QByteArray name = QFile::encodeName(absolute);
        struct stat link {
        }, target{};
        return ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode) &&
               ::stat(name.constData(), &target) == 0 && S_ISDIR(target.st_mode);
    }
    // Account ids and e-mails are kept inside: nobody else lists or enters it.
    // A file system without modes refuses the narrowing, which stops no write.
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ::fchmod(fd.get(), st.st_mode & 0700);
    return true;
}

} // namespace meterix
