#include "platform/RunningApplications.h"

#include "core/Paths.h"
#include "core/ProviderDescriptor.h"
#include "core/SafeFile.h"

#include <QFile>
#include <QHash>

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix {

namespace {

QString baseName(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return QString::fromLocal8Bit(slash >= 0 ? path.mid(slash + 1) : path);
}

} // namespace

RunningApplications::RunningApplications(const QList<DesktopApp>& apps, QString procRoot, uid_t uid, int intervalMs,
                                         QObject* parent)
    : QObject(parent), procRoot_(std::move(procRoot)), uid_(uid) {
    for (const DesktopApp& app : apps)
        for (const QString& name : app.executables)
            byExecutable_.insert(name, app.bundleIdentifier);
    timer_.setInterval(intervalMs);
    timer_.setTimerType(Qt::VeryCoarseTimer); // whole seconds: wakes together with the rest of the system
    connect(&timer_, &QTimer::timeout, this, &RunningApplications::rescan);
}

void RunningApplications::setWatching(bool watching) {
    if (watching == timer_.isActive()) return;
    if (watching) {
        timer_.start();
        rescan();
    } else {
        timer_.stop();
    }
}

void RunningApplications::rescan() {
    QSet<QString> now = scan();
    if (now == running_) return;
    running_ = std::move(now);
    Q_EMIT runningApplicationsChanged();
}

QSet<QString> RunningApplications::scan() {
    QSet<QString> found;
    QHash<qint64, Seen> seenNow;
    seenNow.reserve(seen_.size());
    DIR* proc = ::opendir(QFile::encodeName(procRoot_).constData());
    if (!proc) {
        seen_.clear();
        return found;
    }
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        errno = 0;
        const long long pid = std::strtoll(entry->d_name, &end, 10);
        if (errno != 0 || end == entry->d_name || *end != '\0' || pid <= 0) continue;
        Seen seen;
        if (auto it = seen_.constFind(pid); it != seen_.constEnd() && it->entryInode == entry->d_ino)
            seen = *it;
        // A process is looked at when it first shows and once more at the next
        // scan: a launcher script that execs the app right after its start
        // would otherwise be remembered as the script.
        if (seen.looks < 2) {
            seen.entryInode = entry->d_ino;
            if (!inspect(QString::fromLatin1(entry->d_name), seen)) continue; // gone meanwhile
        }
        if (!seen.bundleIdentifier.isEmpty()) found.insert(seen.bundleIdentifier);
        seenNow.insert(pid, std::move(seen));
    }
    ::closedir(proc);
    seen_ = std::move(seenNow); // processes that ended drop out here
    return found;
}

bool RunningApplications::inspect(const QString& pid, Seen& seen) {
    const QString dir = joinPath(procRoot_, pid);
    struct stat st {};
    if (::stat(QFile::encodeName(dir).constData(), &st) != 0) return false;
    ++seen.looks;
    seen.bundleIdentifier.clear();
    if (st.st_uid != uid_) {
        seen.looks = 2; // another user's: never one of ours, no second look
        return true;
    }
    // argv[0] names Electron apps and scripts better than the kernel's 15-character comm.
    QStringList names;
    // The link is read as it stands: its target's own metadata is never needed.
    char target[4096];
    const QByteArray link = QFile::encodeName(joinPath(dir, QStringLiteral("exe")));
    const ssize_t length = ::readlink(link.constData(), target, sizeof target);
    if (length > 0 && size_t(length) < sizeof target) names.append(baseName(QByteArray(target, length)));
    if (const auto cmdline = readRegularFileHead(joinPath(dir, QStringLiteral("cmdline")), 4096)) {
        const QByteArray argv0 =
            cmdline->left(cmdline->indexOf('\0') >= 0 ? cmdline->indexOf('\0') : cmdline->size());
        if (!argv0.isEmpty()) names.append(baseName(argv0));
    }
    for (const QString& name : names) {
        if (auto it = byExecutable_.constFind(name); it != byExecutable_.constEnd()) {
            seen.bundleIdentifier = *it;
            break;
        }
    }
    return true;
}

} // namespace meterix
