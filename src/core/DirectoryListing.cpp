#include "core/DirectoryListing.h"

#include <cerrno>
#include <dirent.h>

namespace meterix {

std::optional<QStringList> listDirectoryNames(const QString& path) {
    const QByteArray native = path.toLocal8Bit();
    if (native.isEmpty()) return std::nullopt;
    DIR* dir = ::opendir(native.constData());
    if (!dir) return std::nullopt;
    QStringList names;
    bool failed = false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            failed = errno != 0;
            break;
        }
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
        names.append(QString::fromLocal8Bit(name));
    }
    ::closedir(dir);
    if (failed) return std::nullopt;
    return names;
}

} // namespace meterix
