#include "providers/CLIProcessRunner.h"

#include "core/DirectoryListing.h"
#include "core/Paths.h"
#include "core/TextUtil.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix {

namespace {

qint64 toMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<qint64>(std::min(seconds, 86400.0 * 365) * 1000.0);
}

QString decodeStrictUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) return QString();
    return text;
}

// Signals the child's process group; the child leads it (it called setsid).
void signalGroup(qint64 pid, int signal) {
    if (pid > 0) ::kill(static_cast<pid_t>(-pid), signal);
}

std::optional<struct stat> statOf(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (native.isEmpty() || ::stat(native.constData(), &st) != 0) return std::nullopt;
    return st;
}

// Owned by the user or root, and writable by no one but its owner: anyone else
// who could write there could plant a client, and it would run with our rights.
bool ownedSafely(const struct stat& st) {
    return (st.st_uid == ::geteuid() || st.st_uid == 0) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

QString parentFolder(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0) return QStringLiteral(".");
    if (slash == 0) return QStringLiteral("/");
    return path.left(slash);
}

bool isAbsolute(const QString& path) {
    return path.startsWith(QLatin1Char('/'));
}

// "v22.11.0" as {22, 11, 0}; nothing for a name that is no node version.
std::optional<std::array<qint64, 3>> nodeVersion(const QString& name) {
    static const QRegularExpression version(QStringLiteral("^v?(\\d{1,9})\\.(\\d{1,9})\\.(\\d{1,9})"));
    const QRegularExpressionMatch m = version.match(name);
    if (!m.hasMatch()) return std::nullopt;
    return std::array<qint64, 3>{m.captured(1).toLongLong(), m.captured(2).toLongLong(),
                                 m.captured(3).toLongLong()};
}

// The node version folders in `versions`, newest first by version (v9 before
// v10 would be wrong by name), each with `below` appended.
QStringList nodeVersionFolders(const QString& versions, const QString& below) {
    struct Entry {
        std::array<qint64, 3> version;
        QString name;
    };
    QList<Entry> entries;
    for (const QString& name : listDirectoryNames(versions).value_or(QStringList{}))
        if (const auto v = nodeVersion(name)) entries.append({*v, name});
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        if (a.version != b.version) return a.version > b.version;
        return codePointLess(b.name, a.name);
    });
    QStringList folders;
    for (const Entry& e : entries)
        folders.append(joinPath(joinPath(versions, e.name), below));
    return folders;
}

void appendOnce(QStringList& list, const QString& entry) {
    if (!entry.isEmpty() && !list.contains(entry)) list.append(entry);
}

// The absolute entries of a PATH value; relative and empty ones (the current
// folder) are dropped.
QStringList absoluteEntries(const QString& path) {
    QStringList entries;
    for (const QString& entry : path.split(QLatin1Char(':')))
        if (isAbsolute(entry)) appendOnce(entries, entry);
    return entries;
}

} // namespace

bool CLIProcessRunner::isTrustedFolder(const QString& path) {
    const auto st = statOf(path);
    return st && S_ISDIR(st->st_mode) && ownedSafely(*st);
}

bool CLIProcessRunner::isTrustedClient(const QString& path) {
    const auto st = statOf(path);
    if (!st || !S_ISREG(st->st_mode) || !ownedSafely(*st) ||
        ::access(QFile::encodeName(path).constData(), X_OK) != 0)
        return false;
    if (!isTrustedFolder(parentFolder(path))) return false;
    // A link (npm's and the native installer's are) leads to the file that runs:
    // its folder counts too.
    char* real = ::realpath(QFile::encodeName(path).constData(), nullptr);
    if (!real) return false;
    const QString target = QFile::decodeName(real);
    std::free(real);
    return target == path || isTrustedFolder(parentFolder(target));
}

bool CLIProcessRunner::isExecutableFile(const QString& path) {
    const QByteArray native = path.toLocal8Bit();
    struct stat st {};
    return !native.isEmpty() && ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(native.constData(), X_OK) == 0;
}

CLIProcessRunner::CLIProcessRunner(HostEnvironment host) : CLIProcessRunner(std::move(host), Options{}) {}

CLIProcessRunner::CLIProcessRunner(HostEnvironment host, Options options)
    : host_(std::move(host)), options_(std::move(options)) {}

CLIProcessRunner& CLIProcessRunner::shared() {
    static CLIProcessRunner runner;
    return runner;
}

QStringList CLIProcessRunner::candidateFolders() const {
    if (!options_.candidateFolders.isEmpty()) return options_.candidateFolders;
    const QString root = options_.systemRoot;
    // Folders below a home that is no absolute path would be relative ones.
    const bool homeIsAbsolute = isAbsolute(host_.home);
    auto inHome = [&](const char* relative) {
        return homeIsAbsolute ? joinPath(host_.home, QString::fromLatin1(relative)) : QString();
    };
    QStringList folders;
    appendOnce(folders, inHome(".local/bin"));
    for (const QString& entry : absoluteEntries(host_.variables.value(QStringLiteral("PATH"))))
        appendOnce(folders, entry);
    for (const char* system : {"/usr/local/bin", "/usr/bin"})
        appendOnce(folders, root + QString::fromLatin1(system));
    for (const char* relative : {".npm-global/bin", ".bun/bin", ".local/share/pnpm", ".volta/bin"})
        appendOnce(folders, inHome(relative));
    if (homeIsAbsolute) {
        for (const QString& folder : nodeVersionFolders(inHome(".nvm/versions/node"), QStringLiteral("bin")))
            appendOnce(folders, folder);
        for (const QString& folder :
             nodeVersionFolders(inHome(".local/share/fnm/node-versions"), QStringLiteral("installation/bin")))
            appendOnce(folders, folder);
    }
    appendOnce(folders, root + QStringLiteral("/home/linuxbrew/.linuxbrew/bin"));
    return folders;
}

std::optional<QString> CLIProcessRunner::executablePath(const QString& command) const {
    if (command.isEmpty()) return std::nullopt;
    // Only an explicit path is taken as given: a bare name must never start a
    // file that happens to lie in the current folder.
    if (command.contains(QLatin1Char('/'))) {
        if (isTrustedClient(command)) return command;
        return std::nullopt;
    }
    for (const QString& folder : candidateFolders()) {
        if (!isTrustedFolder(folder)) continue;
        const QString candidate = joinPath(folder, command);
        if (isTrustedClient(candidate)) return candidate;
    }
    return std::nullopt;
}

QProcessEnvironment CLIProcessRunner::childEnvironment(const EnvironmentOverrides& environment,
                                                       const QString& clientFolder) const {
    QProcessEnvironment env = host_.variables;
    QStringList path;
    if (isAbsolute(clientFolder)) appendOnce(path, clientFolder);
    if (isAbsolute(host_.home)) appendOnce(path, joinPath(host_.home, QStringLiteral(".local/bin")));
    for (const char* system : {"/usr/local/bin", "/usr/bin", "/bin"})
        appendOnce(path, QString::fromLatin1(system));
    // An empty or relative entry would have the child (or the node it starts)
    // look in its current folder.
    for (const QString& entry : absoluteEntries(env.value(QStringLiteral("PATH"))))
        appendOnce(path, entry);
    env.insert(QStringLiteral("PATH"), path.join(QLatin1Char(':')));
    for (auto it = environment.constBegin(); it != environment.constEnd(); ++it) {
        if (it.value())
            env.insert(it.key(), *it.value());
        else
            env.remove(it.key());
    }
    return env;
}

std::optional<QString> CLIProcessRunner::run(const QString& command, const QStringList& arguments,
                                             double timeout, const EnvironmentOverrides& environment,
                                             const std::optional<QString>& workingDirectory) {
    const std::optional<QString> program = executablePath(command);
    if (!program) return std::nullopt;

    QProcess process;
    process.setProgram(*program);
    process.setArguments(arguments);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessEnvironment(childEnvironment(environment, QFileInfo(*program).absolutePath()));
    if (workingDirectory) process.setWorkingDirectory(*workingDirectory);
    // A session (and process group) of its own, so a time-out can end the client
    // together with everything it started.
    process.setChildProcessModifier([] { ::setsid(); });

    const QDeadlineTimer deadline(toMilliseconds(timeout));
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1000))))
        return std::nullopt;
    const qint64 pid = process.processId();

    QByteArray output;
    bool capped = false;
    char buffer[65536];
    auto collect = [&] {
        for (;;) {
            const qint64 n = process.read(buffer, sizeof buffer);
            if (n <= 0) break;
            const qint64 room = options_.outputCap - output.size();
            if (room > 0) output.append(buffer, static_cast<qsizetype>(std::min(n, room)));
            if (n > room) capped = true;
        }
    };

    bool timedOut = false;
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            timedOut = true;
            break;
        }
        process.waitForReadyRead(static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, 1000)));
        collect();
    }

    if (timedOut) {
        signalGroup(pid, SIGTERM);
        process.waitForFinished(
            static_cast<int>(std::max<qint64>(toMilliseconds(options_.killGraceSeconds), 1)));
        // Whatever is still in the group (also what ignored SIGTERM) goes now.
        signalGroup(pid, SIGKILL);
        if (process.state() != QProcess::NotRunning) process.waitForFinished(5000);
        return std::nullopt;
    }
    collect();
    // The client is done; nothing it started may outlive the probe.
    signalGroup(pid, SIGKILL);

    // The cap may fall inside a character.
    if (capped) output.truncate(withoutCutLastCharacter(output).size());
    return decodeStrictUtf8(output);
}

} // namespace meterix
