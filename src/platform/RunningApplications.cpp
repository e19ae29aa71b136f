#include "platform/RunningApplications.h"

#include "core/Paths.h"
#include "core/SafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>

namespace meterix {

namespace {

struct AppEntry {
    const char* bundleIdentifier;
    QStringList executables;
};

// The desktop apps the account sources name, and what their processes are
// called on Linux. Apps without a Linux build have no names.
const QList<AppEntry>& appTable() {
    static const QList<AppEntry> table = {
        {"com.anthropic.claudefordesktop", {QStringLiteral("claude-desktop")}},
        {"com.openai.chat", {}},
        {"com.openai.codex", {}},
        {"com.todesktop.230313mzl4w4u92", {QStringLiteral("cursor"), QStringLiteral("Cursor")}},
        {"com.google.antigravity", {QStringLiteral("antigravity"), QStringLiteral("Antigravity")}},
        {"com.google.GeminiMacOS", {}},
    };
    return table;
}

QString baseName(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return QString::fromLocal8Bit(slash >= 0 ? path.mid(slash + 1) : path);
}

} // namespace

RunningApplications::RunningApplications(QString procRoot, uid_t uid, int intervalMs, QObject* parent)
    : QObject(parent), procRoot_(std::move(procRoot)), uid_(uid) {
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &RunningApplications::rescan);
}

RunningApplications& RunningApplications::shared() {
    static RunningApplications* instance = new RunningApplications(); // lives for the whole process
    return *instance;
}

QStringList RunningApplications::executableNames(const QString& bundleIdentifier) {
    for (const AppEntry& e : appTable())
        if (bundleIdentifier == QLatin1String(e.bundleIdentifier)) return e.executables;
    return {};
}

QStringList RunningApplications::knownBundleIdentifiers() {
    QStringList ids;
    for (const AppEntry& e : appTable())
        ids.append(QString::fromLatin1(e.bundleIdentifier));
    return ids;
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

QSet<QString> RunningApplications::scan() const {
    QHash<QString, QString> byExecutable;
    for (const AppEntry& e : appTable())
        for (const QString& name : e.executables)
            byExecutable.insert(name, QString::fromLatin1(e.bundleIdentifier));

    QSet<QString> found;
    const QStringList pids = QDir(procRoot_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        pid.toLong(&numeric);
        if (!numeric) continue;
        const QString dir = joinPath(procRoot_, pid);
        struct stat st {};
        if (::stat(dir.toLocal8Bit().constData(), &st) != 0 || st.st_uid != uid_) continue;
        // argv[0] names Electron apps and scripts better than the kernel's 15-character comm.
        QStringList names;
        const QByteArray exe = QFileInfo(joinPath(dir, QStringLiteral("exe"))).symLinkTarget().toLocal8Bit();
        if (!exe.isEmpty()) names.append(baseName(exe));
        if (const auto cmdline = readRegularFileHead(joinPath(dir, QStringLiteral("cmdline")), 4096)) {
            const QByteArray argv0 =
                cmdline->left(cmdline->indexOf('\0') >= 0 ? cmdline->indexOf('\0') : cmdline->size());
            if (!argv0.isEmpty()) names.append(baseName(argv0));
        }
        for (const QString& name : names)
            if (auto it = byExecutable.constFind(name); it != byExecutable.constEnd()) found.insert(*it);
    }
    return found;
}

} // namespace meterix
