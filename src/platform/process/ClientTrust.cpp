#include "platform/process/ClientTrust.h"

#include "core/Locked.h"
#include "core/MeterixLog.h"

#include <QByteArray>
#include <QFile>
#include <QSet>

#include <climits>
#include <unistd.h>

namespace meterix {

std::optional<QByteArray> realPathBytesOf(int fd) {
    char target[PATH_MAX];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(link.constData(), target, sizeof target);
    if (n <= 0 || size_t(n) >= sizeof target || target[0] != '/') return std::nullopt;
    return QByteArray(target, n);
}

std::optional<QString> realPathOf(int fd) {
    const std::optional<QByteArray> bytes = realPathBytesOf(fd);
    if (!bytes) return std::nullopt;
    return QFile::decodeName(*bytes);
}

void logRefusalOnce(const QString& what, const QString& path, const QString& reason) {
    static Locked<QSet<QString>> logged;
    const QString line = path + QStringLiteral(": ") + reason;
    const bool first = logged.withValue([&](QSet<QString>& set) {
        if (set.contains(what + line)) return false;
        set.insert(what + line);
        return true;
    });
    if (first) qCInfo(logProvider).noquote() << what << line;
}

} // namespace meterix
