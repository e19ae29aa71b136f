#include "platform/process/CLIProcessRunner.h"

#include "core/FileDescriptor.h"
#include "core/SafeFile.h"
#include "core/Locked.h"
#include "core/TextUtil.h"
#include "platform/process/ClientLookup.h"
#include "platform/process/ClientTrust.h"
#include "platform/process/ProcessKeeper.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSet>

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

// How long past the time-out, its grace and the clean-up a keeper that has
// not ended is waited for before it is killed itself.
constexpr qint64 kKeeperMarginMs = 5000;

// The keepers running now. A keeper leaves the set before it is reaped, so its
// id cannot have been reused by the time it is signalled from here.
Locked<QSet<pid_t>>& runningKeepers() {
    static Locked<QSet<pid_t>> keepers;
    return keepers;
}

pid_t startListedKeeper(const ClientLaunch& launch) {
    return runningKeepers().withValue([&](QSet<pid_t>& keepers) {
        const pid_t started = startKeeper(launch);
        if (started > 0) keepers.insert(started);
        return started;
    });
}

pid_t reapListedKeeper(pid_t keeper, int* status) {
    runningKeepers().withValue([keeper](QSet<pid_t>& keepers) { keepers.remove(keeper); });
    return ::waitpid(keeper, status, 0);
}

int highestDescriptor() {
    rlimit limit{};
    return ::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < 65536 ? int(limit.rlim_cur) : 65536;
}

// The working folder, open by a descriptor that followed no link in its
// place, when it and every folder above pass the trust rule.
Fd checkedWorkingFolder(const QString& path, const TrustRule& rule) {
    Fd folder = openFolderNoFollow(path);
    if (!folder) return Fd();
    if (const auto why = rule.folderFault(folder.get())) {
        logRefusalOnce(QStringLiteral("Refused working folder"), path, *why);
        return Fd();
    }
    return folder;
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

// The null-terminated list of pointers into `storage` that exec takes.
std::vector<char*> pointersTo(QList<QByteArray>& storage) {
    std::vector<char*> pointers;
    for (QByteArray& item : storage)
        pointers.push_back(item.data());
    pointers.push_back(nullptr);
    return pointers;
}

// What the child printed, kept up to a cap; past it the pipe is still drained
// (so the child never blocks) and the rest dropped.
struct CappedOutput {
    explicit CappedOutput(qint64 cap) : cap(cap) {}
    qint64 cap;
    QByteArray bytes;
    bool capped = false;
    bool open = true;

    // Takes whatever the non-blocking descriptor holds now.
    void drain(int fd) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0) open = false;
            if (n <= 0) return;
            const qint64 room = cap - bytes.size();
            if (room > 0) bytes.append(buffer, static_cast<qsizetype>(std::min<qint64>(n, room)));
            if (n > room) capped = true;
        }
    }
};

// Reads the output until the keeper has exited, or kills the keeper once the
// last resort has passed.
void readUntilExit(pid_t keeper, int output, const QDeadlineTimer& lastResort, CappedOutput& into) {
    const Fd pidFd(int(::syscall(SYS_pidfd_open, keeper, 0))); // without it, the wait below ticks
    ::fcntl(output, F_SETFL, O_NONBLOCK);
    while (!waitForExit(keeper, -1, 0)) {
        if (lastResort.hasExpired()) {
            ::kill(keeper, SIGKILL);
            break;
        }
        const int slice = int(std::clamp<qint64>(lastResort.remainingTime(), 0, pidFd ? 1000 : 20));
        pollfd waits[2] = {{into.open ? output : -1, POLLIN, 0}, {pidFd.get(), POLLIN, 0}};
        if (::poll(waits, 2, slice) < 0 && errno != EINTR) break;
        into.drain(output);
    }
    into.drain(output);
}

} // namespace

CLIProcessRunner::CLIProcessRunner(HostEnvironment host) : CLIProcessRunner(std::move(host), Options{}) {}

CLIProcessRunner::CLIProcessRunner(HostEnvironment host, Options options)
    : host_(std::move(host)), options_(std::move(options)) {}

CLIProcessRunner& CLIProcessRunner::shared() {
    static CLIProcessRunner runner;
    return runner;
}

void CLIProcessRunner::endRunningClients() {
    runningKeepers().withValue([](const QSet<pid_t>& keepers) {
        for (const pid_t keeper : keepers)
            ::kill(keeper, SIGTERM);
    });
}

QStringList CLIProcessRunner::candidateFolders() const {
    if (!options_.candidateFolders.isEmpty()) return options_.candidateFolders;
    return clientCandidateFolders(host_, options_.systemRoot);
}

std::optional<QString> CLIProcessRunner::trustedFolder(const QString& path) const {
    return trustedPathFolder(path, options_.ownerOf);
}

QProcessEnvironment CLIProcessRunner::childEnvironment(const EnvironmentOverrides& environment,
                                                       const QString& clientPath) const {
    return meterix::childEnvironment(host_, environment, clientPath,
                                     [this](const QString& folder) { return trustedFolder(folder); });
}

std::optional<QString> CLIProcessRunner::executablePath(const QString& command) const {
    const TrustRule rule(::geteuid(), options_.ownerOf);
    const auto found = findClient(command, command.contains(QLatin1Char('/')) ? QStringList() : candidateFolders(), rule);
    if (!found) return std::nullopt;
    return found->path;
}

std::optional<QString> CLIProcessRunner::run(const QString& command, const QStringList& arguments,
                                             double timeout, const EnvironmentOverrides& environment,
                                             const std::optional<QString>& workingDirectory) {
    const QDeadlineTimer deadline(toMilliseconds(timeout));
    const TrustRule rule(::geteuid(), options_.ownerOf);
    std::optional<FoundClient> found =
        findClient(command, command.contains(QLatin1Char('/')) ? QStringList() : candidateFolders(), rule);
    if (!found) return std::nullopt;

    // Everything the child needs, made now.
    QList<QByteArray> argStorage{QFile::encodeName(found->path)};
    for (const QString& a : arguments)
        argStorage.append(a.toUtf8());
    QList<QByteArray> envStorage;
    for (const QString& entry : childEnvironment(environment, found->path).toStringList())
        envStorage.append(entry.toUtf8());
    std::vector<char*> argv = pointersTo(argStorage), envp = pointersTo(envStorage);
    Fd cwd;
    if (workingDirectory && !(cwd = aboveStandard(checkedWorkingFolder(*workingDirectory, rule))))
        return std::nullopt;
    const QByteArray procRoot = QFile::encodeName(options_.procRoot.isEmpty() ? QStringLiteral("/proc")
                                                                               : options_.procRoot);

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

    const qint64 graceMs = std::max<qint64>(toMilliseconds(options_.killGraceSeconds), 1);
    const qint64 cleanupMs = std::max<qint64>(toMilliseconds(options_.cleanupSeconds), 1);
    const ClientLaunch launch{
        .file = file.get(),
        .input = input.get(),
        .output = outWrite.get(),
        .failure = failWrite.get(),
        .workingDirectory = cwd ? cwd.get() : -1,
        .procRoot = procRoot.constData(),
        .argv = argv.data(),
        .envp = envp.data(),
        .highestDescriptor = highestDescriptor(),
        .timeoutMs = std::max<qint64>(deadline.remainingTime(), 0),
        .graceMs = graceMs,
        .cleanupMs = cleanupMs};
    const pid_t keeper = startListedKeeper(launch);
    if (keeper < 0) return std::nullopt;

    outWrite = Fd();
    failWrite = Fd();
    file = Fd();
    input = Fd();
    cwd = Fd();
    int childError = 0;
    ssize_t reported;
    while ((reported = ::read(failRead.get(), &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    if (reported > 0) { // the client never started
        reapListedKeeper(keeper, nullptr);
        return std::nullopt;
    }
    // The keeper ends the client at the time-out and everything it left when it
    // is done; the wait outlasts it only when the keeper itself is stuck.
    CappedOutput output(options_.outputCap);
    readUntilExit(keeper, outRead.get(),
                  QDeadlineTimer(launch.timeoutMs + graceMs + cleanupMs + kKeeperMarginMs), output);
    int status = 0;
    if (reapListedKeeper(keeper, &status) != keeper || !WIFEXITED(status) ||
        WEXITSTATUS(status) != int(KeeperEnd::clientEnded))
        return std::nullopt;

    // The cap may fall inside a character.
    if (output.capped) output.bytes.truncate(withoutCutLastCharacter(output.bytes).size());
    return strictUtf8(output.bytes).value_or(QString());
}

} // namespace meterix
