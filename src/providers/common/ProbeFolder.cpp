#include "providers/common/ProbeFolder.h"

#include "core/FileDescriptor.h"
#include "core/Paths.h"
#include "core/SafeFile.h"
#include "platform/process/ClientTrust.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>

namespace meterix {

std::optional<QString> ownerOnlyProbeFolder(const QString& dataHome, const QString& name, uid_t user) {
    if (dataHome.isEmpty() || name.isEmpty() || !QDir().mkpath(dataHome)) return std::nullopt;
    const QString path = joinPath(dataHome, name);
    const QByteArray native = QFile::encodeName(path);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) return std::nullopt;
    // Looked at through a descriptor that cannot have followed a link.
    const Fd folder = openFolderNoFollow(path);
    struct stat st {};
    if (!folder || ::fstat(folder.get(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != user) {
        logRefusalOnce(QStringLiteral("Refused probe folder"), path,
                       QStringLiteral("a link, not a folder, or another user's"));
        return std::nullopt;
    }
    if ((st.st_mode & 07777) != 0700 && ::fchmod(folder.get(), 0700) != 0) return std::nullopt;
    // Whoever may rename a folder above could put another folder at this path
    // between now and the start: the folders above pass the rule a client's do.
    if (const auto why = TrustRule(user, {}).folderFault(folder.get())) {
        logRefusalOnce(QStringLiteral("Refused probe folder"), path, *why);
        return std::nullopt;
    }
    return realPathOf(folder.get());
}

} // namespace meterix
