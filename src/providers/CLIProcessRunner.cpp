#include "providers/CLIProcessRunner.h"

#include "core/Paths.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace meterix {

namespace {

qint64 toMilliseconds(double seconds) {
    if (!(seconds > 0)) return 0;
    return static_cast<qint64>(std::min(seconds, 86400.0 * 365) * 1000.0);
}

// Drops a multi-byte sequence cut in two at the end (where the cap fell).
void dropIncompleteTail(QByteArray& bytes) {
    qsizetype i = bytes.size();
    int continuation = 0;
    while (i > 0 && continuation < 3 && (static_cast<unsigned char>(bytes.at(i - 1)) & 0xC0) == 0x80) {
        --i;
        ++continuation;
    }
    if (i == 0) return;
    const auto lead = static_cast<unsigned char>(bytes.at(i - 1));
    int needed = 0;
    if ((lead & 0xE0) == 0xC0)
        needed = 1;
    else if ((lead & 0xF0) == 0xE0)
        needed = 2;
    else if ((lead & 0xF8) == 0xF0)
        needed = 3;
    if (needed > continuation) bytes.truncate(i - 1);
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

} // namespace

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
    return {joinPath(host_.home, QStringLiteral(".local/bin")), QStringLiteral("/usr/local/bin"),
            QStringLiteral("/opt/homebrew/bin")};
}

std::optional<QString> CLIProcessRunner::executablePath(const QString& command) const {
    if (command.isEmpty()) return std::nullopt;
    // Only an explicit path is taken as given: a bare name must never start a
    // file that happens to lie in the current folder.
    if (command.contains(QLatin1Char('/'))) {
        if (isExecutableFile(command)) return command;
        return std::nullopt;
    }
    for (const QString& folder : candidateFolders()) {
        const QString candidate = joinPath(folder, command);
        if (isExecutableFile(candidate)) return candidate;
    }
    return std::nullopt;
}

QProcessEnvironment CLIProcessRunner::childEnvironment(const EnvironmentOverrides& environment) const {
    QProcessEnvironment env = host_.variables;
    const QString inheritedPath = env.value(QStringLiteral("PATH"));
    env.insert(QStringLiteral("PATH"),
               host_.home + QStringLiteral("/.local/bin:/opt/homebrew/bin:/usr/local/bin:/usr/bin:/bin:") +
                   inheritedPath);
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
    process.setProcessEnvironment(childEnvironment(environment));
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

    if (capped) dropIncompleteTail(output);
    return decodeStrictUtf8(output);
}

} // namespace meterix
