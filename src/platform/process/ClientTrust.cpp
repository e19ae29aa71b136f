#include "platform/process/ClientTrust.h"

#include "core/Locked.h"
#include "core/MeterixLog.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <climits>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

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

// The one way the runner looks at a file: by descriptor.
std::optional<struct stat> statOf(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return std::nullopt;
    return st;
}

Fd openPath(const QString& path, int flags) {
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0')) return Fd();
    return Fd(::open(native.constData(), O_PATH | O_CLOEXEC | flags));
}

namespace {

QString modeText(mode_t mode) {
    return QString::number(mode & 07777, 8).rightJustified(4, QLatin1Char('0'));
}

} // namespace

std::optional<QString> TrustRule::folderFault(int folder) const {
    std::vector<struct stat> chain;
    Fd current;
    int fd = folder;
    for (int depth = 0; depth < 4096; ++depth) {
        const auto st = statOf(fd);
        if (!st) return QStringLiteral("cannot be examined");
        if (!chain.empty() && chain.back().st_dev == st->st_dev && chain.back().st_ino == st->st_ino)
            return trustChainFault(chain, user_, ownerOf_); // "/" is its own parent
        chain.push_back(*st);
        Fd parent(::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!parent) return QStringLiteral("its parent cannot be opened");
        current = std::move(parent);
        fd = current.get();
    }
    return QStringLiteral("is nested too deep");
}

std::optional<CheckedClient> TrustRule::client(int folder, const QString& name, QString& fault) const {
    const QByteArray native = QFile::encodeName(name);
    Fd found(::openat(folder, native.constData(), O_PATH | O_CLOEXEC));
    if (!found) return std::nullopt; // nothing there: nothing to say
    const auto st = statOf(found.get());
    if (!st || !S_ISREG(st->st_mode)) return std::nullopt;
    if (::faccessat(folder, native.constData(), X_OK, AT_EACCESS) != 0) return std::nullopt;
    if (!ownedSafely(*st)) {
        fault = QStringLiteral("owned by uid %1, mode %2").arg(owner(*st)).arg(modeText(st->st_mode));
        return std::nullopt;
    }
    const std::optional<QString> real = realPathOf(found.get());
    if (!real) {
        fault = QStringLiteral("its real path cannot be read");
        return std::nullopt;
    }
    const QFileInfo realInfo(*real);
    const std::optional<QString> realFolderPath = realPathOf(folder);
    if (realFolderPath && realInfo.absolutePath() == *realFolderPath)
        return CheckedClient{std::move(found), *realFolderPath, *real};
    // A link (npm's and the native installer's are) leads to the file that
    // runs: its own folder must pass as well, and the file is taken from
    // that checked folder, the same file as the link led to.
    Fd realFolder = openPath(realInfo.absolutePath(), O_DIRECTORY);
    if (!realFolder) {
        fault = QStringLiteral("the folder of its link target cannot be opened");
        return std::nullopt;
    }
    if (const auto why = folderFault(realFolder.get())) {
        fault = QStringLiteral("its link leads to %1, which %2").arg(realInfo.absolutePath(), *why);
        return std::nullopt;
    }
    Fd file(::openat(realFolder.get(), QFile::encodeName(realInfo.fileName()).constData(),
                     O_PATH | O_NOFOLLOW | O_CLOEXEC));
    const auto again = statOf(file.get());
    if (!again || again->st_dev != st->st_dev || again->st_ino != st->st_ino) {
        fault = QStringLiteral("its link target changed while it was checked");
        return std::nullopt;
    }
    return CheckedClient{std::move(file), realInfo.absolutePath(), *real};
}

bool TrustRule::ownedSafely(const struct stat& st) const {
    const uid_t who = owner(st);
    return (who == user_ || who == 0) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::optional<QString> trustChainFault(std::span<const struct stat> chain, uid_t user,
                                       const OwnerOf& ownerOf) {
    for (size_t i = 0; i < chain.size(); ++i) {
        const struct stat& st = chain[i];
        const uid_t owner = ownerOf ? ownerOf(st) : st.st_uid;
        const QString which = i == 0 ? QStringLiteral("the folder") : QStringLiteral("a folder above it");
        if (!S_ISDIR(st.st_mode)) return which + QStringLiteral(" is not a folder");
        if (owner != user && owner != 0) return which + QStringLiteral(" is owned by uid %1").arg(owner);
        // Others may add names to a sticky folder but not replace ours: fine
        // above the client, never for the folder that holds it (or its node).
        const bool othersWrite = (st.st_mode & (S_IWGRP | S_IWOTH)) != 0;
        if (othersWrite && (i == 0 || (st.st_mode & S_ISVTX) == 0))
            return which + QStringLiteral(" may be written by others (mode %1)").arg(modeText(st.st_mode));
    }
    return std::nullopt;
}

std::optional<QString> trustedPathFolder(const QString& path, const OwnerOf& ownerOf) {
    const Fd folder = openPath(path, O_DIRECTORY);
    if (!folder) return std::nullopt;
    const TrustRule rule(::geteuid(), ownerOf);
    if (const auto why = rule.folderFault(folder.get())) {
        logRefusalOnce(kSkippedCandidate, path, *why);
        return std::nullopt;
    }
    const std::optional<QByteArray> bytes = realPathBytesOf(folder.get());
    if (!bytes) return std::nullopt;
    const QString real = QFile::decodeName(*bytes);
    // A ":" would split the entry in two, the second part a relative one; a name
    // that is no text in the locale's encoding would reach the child as another.
    if (real.contains(QLatin1Char(':')) || QFile::encodeName(real) != *bytes) {
        logRefusalOnce(QStringLiteral("Left off the client's PATH"), path,
                       QStringLiteral("its real path %1 cannot be written in a PATH").arg(real));
        return std::nullopt;
    }
    return real;
}

bool isExecutableFile(const QString& path) {
    const Fd fd = openPath(path, 0);
    const auto st = statOf(fd.get());
    return st && S_ISREG(st->st_mode) && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
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
