#include "providers/CLIProcessRunner.h"

#include "core/DirectoryListing.h"
#include "core/FileDescriptor.h"
#include "core/MeterixLog.h"
#include "core/Paths.h"
#include "core/TextUtil.h"
#include "providers/ClientTrust.h"
#include "providers/ProcessKeeper.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QVersionNumber>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace meterix {

namespace {

qint64 toMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<qint64>(std::min(seconds, 86400.0 * 365) * 1000.0);
}

// How long past the time-out and its grace a keeper that has not ended is
// waited for before it is killed itself.
constexpr qint64 kKeeperMarginMs = 5000;

bool isAbsolute(const QString& path) {
    return path.startsWith(QLatin1Char('/'));
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

const QString kSkippedCandidate = QStringLiteral("Skipped client candidate");

QString modeText(mode_t mode) {
    return QString::number(mode & 07777, 8).rightJustified(4, QLatin1Char('0'));
}

// A checked client: open by descriptor, ready to start.
struct CheckedClient {
    Fd file;          // the file that runs (O_PATH)
    QString folder;   // the real path of its folder
    QString realPath; // the real path of the file
};

// Applies the trust rule by descriptor.
class TrustRule {
  public:
    TrustRule(uid_t user, std::function<uid_t(const struct stat&)> ownerOf)
        : user_(user), ownerOf_(std::move(ownerOf)) {}

    // Why the folder open as `folder` (and every folder above it) may not hold
    // a client, or nothing.
    std::optional<QString> folderFault(int folder) const {
        std::vector<struct stat> chain;
        Fd current;
        int fd = folder;
        for (int depth = 0; depth < 4096; ++depth) {
            const auto st = statOf(fd);
            if (!st) return QStringLiteral("cannot be examined");
            if (!chain.empty() && chain.back().st_dev == st->st_dev && chain.back().st_ino == st->st_ino)
                return CLIProcessRunner::chainFault(chain, user_, ownerOf_); // "/" is its own parent
            chain.push_back(*st);
            Fd parent(::openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!parent) return QStringLiteral("its parent cannot be opened");
            current = std::move(parent);
            fd = current.get();
        }
        return QStringLiteral("is nested too deep");
    }

    // The client `name` in the folder open as `folder` (its chain already
    // checked), checked and opened: through a link, the file it leads to is
    // opened again from its own checked folder.
    std::optional<CheckedClient> client(int folder, const QString& name, QString& fault) const {
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

    uid_t owner(const struct stat& st) const { return ownerOf_ ? ownerOf_(st) : st.st_uid; }
    bool ownedSafely(const struct stat& st) const {
        const uid_t who = owner(st);
        return (who == user_ || who == 0) && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    }

  private:
    uid_t user_;
    std::function<uid_t(const struct stat&)> ownerOf_;
};

// The node version folders in `versions`, newest first by version (v9 before
// v10 would be wrong by name), each with `below` appended.
QStringList nodeVersionFolders(const QString& versions, const QString& below) {
    QList<std::pair<QVersionNumber, QString>> entries;
    for (const QString& name : listDirectoryNames(versions).value_or(QStringList{})) {
        qsizetype suffix = 0;
        const QVersionNumber version =
            QVersionNumber::fromString(QStringView(name).mid(name.startsWith(QLatin1Char('v')) ? 1 : 0), &suffix);
        if (version.segmentCount() >= 3) entries.append({version, name});
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first > b.first;
        return codePointLess(b.second, a.second);
    });
    QStringList folders;
    for (const auto& entry : entries)
        folders.append(QDir(versions).filePath(entry.second + QLatin1Char('/') + below));
    return folders;
}

void appendOnce(QStringList& list, const QString& entry) {
    if (!entry.isEmpty() && !list.contains(entry)) list.append(entry);
}

// The absolute entries of a PATH value; relative and empty ones (the current
// folder) are dropped.
QStringList absoluteEntries(const QString& path) {
    QStringList entries;
    for (const QString& entry : path.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (isAbsolute(entry)) appendOnce(entries, entry);
    return entries;
}

// What of the app's environment a client may see: the session it runs in, and
// nothing that belongs to another tool.
bool isSessionVariable(const QString& name) {
    static const QSet<QString> names = {
        QStringLiteral("HOME"), QStringLiteral("USER"), QStringLiteral("LOGNAME"), QStringLiteral("SHELL"),
        QStringLiteral("LANG"), QStringLiteral("LANGUAGE"), QStringLiteral("TZ"), QStringLiteral("TMPDIR"),
        QStringLiteral("TERM"), QStringLiteral("COLORTERM"), QStringLiteral("NO_COLOR"),
        QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("XAUTHORITY"),
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("XDG_RUNTIME_DIR"),
        QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("XDG_DATA_HOME"), QStringLiteral("XDG_CACHE_HOME"),
        QStringLiteral("XDG_STATE_HOME"), QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("XDG_DATA_DIRS"),
        QStringLiteral("HTTP_PROXY"), QStringLiteral("HTTPS_PROXY"), QStringLiteral("NO_PROXY"),
        QStringLiteral("ALL_PROXY"), QStringLiteral("http_proxy"), QStringLiteral("https_proxy"),
        QStringLiteral("no_proxy"), QStringLiteral("all_proxy"), QStringLiteral("SSL_CERT_FILE"),
        QStringLiteral("SSL_CERT_DIR"), QStringLiteral("NODE_EXTRA_CA_CERTS"), QStringLiteral("NVM_DIR"),
        QStringLiteral("VOLTA_HOME"), QStringLiteral("BUN_INSTALL"), QStringLiteral("PNPM_HOME"),
        QStringLiteral("FNM_DIR"),
        // The locale's categories.
        QStringLiteral("LC_ALL"), QStringLiteral("LC_CTYPE"), QStringLiteral("LC_COLLATE"),
        QStringLiteral("LC_MESSAGES"), QStringLiteral("LC_MONETARY"), QStringLiteral("LC_NUMERIC"),
        QStringLiteral("LC_TIME"), QStringLiteral("LC_ADDRESS"), QStringLiteral("LC_IDENTIFICATION"),
        QStringLiteral("LC_MEASUREMENT"), QStringLiteral("LC_NAME"), QStringLiteral("LC_PAPER"),
        QStringLiteral("LC_TELEPHONE"),
    };
    return names.contains(name);
}

// The variables a client reads for itself, by its file name.
QStringList ownPrefixes(const QString& client) {
    if (client == QLatin1String("claude"))
        return {QStringLiteral("CLAUDE_"), QStringLiteral("ANTHROPIC_")};
    if (client == QLatin1String("agy"))
        return {QStringLiteral("GEMINI_"), QStringLiteral("GOOGLE_"), QStringLiteral("ANTIGRAVITY_")};
    return {};
}

// Moves a descriptor above the standard three (where the child puts its own),
// close-on-exec.
Fd aboveStandard(Fd fd) {
    if (!fd || fd.get() > 2) return fd;
    return Fd(::fcntl(fd.get(), F_DUPFD_CLOEXEC, 3));
}

// Waits until the child has exited or the time is up; true when it exited.
bool waitForExit(pid_t pid, int pidFd, int milliseconds) {
    if (pidFd >= 0) {
        pollfd p{pidFd, POLLIN, 0};
        while (::poll(&p, 1, milliseconds) < 0 && errno == EINTR) {
        }
    }
    siginfo_t info{};
    return ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

} // namespace

std::optional<QString> CLIProcessRunner::chainFault(std::span<const struct stat> chain, uid_t user,
                                                    const std::function<uid_t(const struct stat&)>& ownerOf) {
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

bool CLIProcessRunner::isExecutableFile(const QString& path) {
    const Fd fd = openPath(path, 0);
    const auto st = statOf(fd.get());
    return st && S_ISREG(st->st_mode) && ::access(QFile::encodeName(path).constData(), X_OK) == 0;
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

std::optional<QString> CLIProcessRunner::trustedFolder(const QString& path) const {
    const Fd folder = openPath(path, O_DIRECTORY);
    if (!folder) return std::nullopt;
    const TrustRule rule(::geteuid(), options_.ownerOf);
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

namespace {

// The client a command names, checked and open, and where it was found.
struct Found {
    CheckedClient client;
    QString path;
};

std::optional<Found> findClient(const QString& command, const QStringList& folders, const TrustRule& rule) {
    if (command.isEmpty()) return std::nullopt;
    auto tryIn = [&](const QString& folderPath, const QString& name) -> std::optional<Found> {
        const QString path = joinPath(folderPath, name);
        const Fd folder = openPath(folderPath, O_DIRECTORY);
        if (!folder) return std::nullopt;
        QString fault;
        if (const auto why = rule.folderFault(folder.get())) {
            // Only worth a word when there is a client to lose; said of the
            // folder, as the child's PATH says it.
            if (::faccessat(folder.get(), QFile::encodeName(name).constData(), F_OK, 0) == 0)
                logRefusalOnce(kSkippedCandidate, folderPath, *why);
            return std::nullopt;
        }
        auto client = rule.client(folder.get(), name, fault);
        if (!client) {
            if (!fault.isEmpty()) logRefusalOnce(kSkippedCandidate, path, fault);
            return std::nullopt;
        }
        return Found{std::move(*client), path};
    };
    // Only an explicit path is taken as given: a bare name must never start a
    // file that happens to lie in the current folder.
    if (command.contains(QLatin1Char('/'))) {
        const QFileInfo info(command);
        return tryIn(info.path(), info.fileName());
    }
    for (const QString& folder : folders)
        if (auto found = tryIn(folder, command)) return found;
    return std::nullopt;
}

} // namespace

std::optional<QString> CLIProcessRunner::executablePath(const QString& command) const {
    const TrustRule rule(::geteuid(), options_.ownerOf);
    const auto found = findClient(command, command.contains(QLatin1Char('/')) ? QStringList() : candidateFolders(), rule);
    if (!found) return std::nullopt;
    return found->path;
}

QProcessEnvironment CLIProcessRunner::childEnvironment(const EnvironmentOverrides& environment,
                                                       const QString& clientPath) const {
    const QFileInfo client(clientPath);
    const QStringList own = ownPrefixes(client.fileName());
    QProcessEnvironment env;
    for (const QString& name : host_.variables.keys()) {
        const bool owned = std::any_of(own.begin(), own.end(), [&](const QString& p) { return name.startsWith(p); });
        if (owned || isSessionVariable(name)) env.insert(name, host_.variables.value(name));
    }
    QStringList candidates;
    if (isAbsolute(clientPath)) candidates.append(client.absolutePath());
    if (isAbsolute(host_.home)) candidates.append(joinPath(host_.home, QStringLiteral(".local/bin")));
    for (const char* system : {"/usr/local/bin", "/usr/bin", "/bin"})
        candidates.append(QString::fromLatin1(system));
    // An empty or relative entry would have the child (or the node it starts)
    // look in its current folder.
    candidates += absoluteEntries(host_.variables.value(QStringLiteral("PATH")));
    QStringList path;
    for (const QString& folder : candidates)
        if (const auto real = trustedFolder(folder)) appendOnce(path, *real);
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
    const QDeadlineTimer deadline(toMilliseconds(timeout));
    const TrustRule rule(::geteuid(), options_.ownerOf);
    std::optional<Found> found =
        findClient(command, command.contains(QLatin1Char('/')) ? QStringList() : candidateFolders(), rule);
    if (!found) return std::nullopt;

    // Everything the child needs, made now.
    QList<QByteArray> argStorage{QFile::encodeName(found->path)};
    for (const QString& a : arguments)
        argStorage.append(a.toUtf8());
    const QProcessEnvironment env = childEnvironment(environment, found->path);
    QList<QByteArray> envStorage;
    for (const QString& entry : env.toStringList())
        envStorage.append(entry.toUtf8());
    std::vector<char*> argv, envp;
    for (QByteArray& a : argStorage)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (QByteArray& e : envStorage)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const QByteArray cwd = workingDirectory ? QFile::encodeName(*workingDirectory) : QByteArray();

    int outputPipe[2], failurePipe[2];
    if (::pipe2(outputPipe, O_CLOEXEC) != 0) return std::nullopt;
    Fd outRead(outputPipe[0]), outWrite(outputPipe[1]);
    if (::pipe2(failurePipe, O_CLOEXEC) != 0) return std::nullopt;
    Fd failRead(failurePipe[0]), failWrite(failurePipe[1]);
    Fd input(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    Fd file = aboveStandard(std::move(found->client.file));
    outWrite = aboveStandard(std::move(outWrite));
    failWrite = aboveStandard(std::move(failWrite));
    input = aboveStandard(std::move(input));
    if (!file || !outWrite || !failWrite || !input) return std::nullopt;

    if (options_.beforeStart) options_.beforeStart(found->client.folder);

    rlimit limit{};
    const qint64 graceMs = std::max<qint64>(toMilliseconds(options_.killGraceSeconds), 1);
    const ClientLaunch launch{
        .file = file.get(),
        .input = input.get(),
        .output = outWrite.get(),
        .failure = failWrite.get(),
        .workingDirectory = workingDirectory ? cwd.constData() : nullptr,
        .argv = argv.data(),
        .envp = envp.data(),
        .highestDescriptor =
            ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? int(limit.rlim_cur) : 65536,
        .timeoutMs = std::max<qint64>(deadline.remainingTime(), 0),
        .graceMs = graceMs};
    const pid_t keeper = startKeeper(launch);
    if (keeper < 0) return std::nullopt;

    outWrite = Fd();
    failWrite = Fd();
    file = Fd();
    input = Fd();
    int childError = 0;
    ssize_t reported;
    while ((reported = ::read(failRead.get(), &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    if (reported > 0) { // the client never started
        ::waitpid(keeper, nullptr, 0);
        return std::nullopt;
    }
    const Fd pidFd(int(::syscall(SYS_pidfd_open, keeper, 0))); // without it, the wait below ticks
    ::fcntl(outRead.get(), F_SETFL, O_NONBLOCK);

    QByteArray output;
    bool capped = false;
    bool outputOpen = true;
    char buffer[65536];
    auto collect = [&] {
        for (;;) {
            const ssize_t n = ::read(outRead.get(), buffer, sizeof buffer);
            if (n == 0) outputOpen = false;
            if (n <= 0) return;
            const qint64 room = options_.outputCap - output.size();
            if (room > 0) output.append(buffer, static_cast<qsizetype>(std::min<qint64>(n, room)));
            if (n > room) capped = true;
        }
    };

    // The keeper ends the client at the time-out and everything it left when it
    // is done; this wait outlasts it only when the keeper itself is stuck.
    const QDeadlineTimer lastResort(launch.timeoutMs + graceMs + kKeeperMarginMs);
    while (!waitForExit(keeper, -1, 0)) {
        if (lastResort.hasExpired()) {
            ::kill(keeper, SIGKILL);
            break;
        }
        const int slice = int(std::clamp<qint64>(lastResort.remainingTime(), 0, pidFd ? 1000 : 20));
        pollfd waits[2] = {{outputOpen ? outRead.get() : -1, POLLIN, 0}, {pidFd.get(), POLLIN, 0}};
        if (::poll(waits, 2, slice) < 0 && errno != EINTR) break;
        collect();
    }
    collect();
    int status = 0;
    if (::waitpid(keeper, &status, 0) != keeper || !WIFEXITED(status) ||
        WEXITSTATUS(status) != int(KeeperEnd::clientEnded))
        return std::nullopt;

    // The cap may fall inside a character.
    if (capped) output.truncate(withoutCutLastCharacter(output).size());
    return strictUtf8(output).value_or(QString());
}

} // namespace meterix
