#pragma once

#include "core/HostEnvironment.h"

#include <QMap>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace meterix {

// Changes to the child's inherited environment: a value sets the variable, an
// absent value removes it.
using EnvironmentOverrides = QMap<QString, std::optional<QString>>;

// Runs a provider's command-line client as a child process and hands back what it
// printed. The only place the app starts another program.
//
// - A command containing "/" is taken as a path; a bare name is looked up only in
//   the fixed folders (~/.local/bin, /usr/local/bin, /opt/homebrew/bin), never in
//   the current folder and never along PATH.
// - Arguments go to the program as they are (no shell). Standard output and
//   standard error share one pipe; standard input is the null device.
// - The child runs in a session of its own. At the time-out its whole process
//   group gets SIGTERM, then SIGKILL after the grace period; when the client
//   exits, whatever it left running in its group is killed too.
// - Output is read as it comes and kept up to a cap; beyond it the pipe is still
//   drained (so the child never blocks) and the rest is dropped.
//
// run() blocks for as long as the child runs (up to the time-out plus the grace
// period): call it off the GUI thread. Adapters take a runner by reference so
// tests can substitute their own.
class CLIProcessRunner {
  public:
    static constexpr int64_t kDefaultOutputCap = 1024 * 1024;
    static constexpr double kDefaultKillGraceSeconds = 1.0;

    struct Options {
        int64_t outputCap = kDefaultOutputCap;
        double killGraceSeconds = kDefaultKillGraceSeconds;
        // Where bare command names are looked up, in order; empty means the
        // standard folders below the host's home.
        QStringList candidateFolders;
    };

    explicit CLIProcessRunner(HostEnvironment host = HostEnvironment::current());
    CLIProcessRunner(HostEnvironment host, Options options);
    virtual ~CLIProcessRunner() = default;

    // The runner of the app itself.
    static CLIProcessRunner& shared();

    // The child's combined output decoded as UTF-8 (the empty text when it is not
    // valid UTF-8 or there is none), whatever its exit status. Nothing when no
    // executable is found, the child cannot start, or the time-out passes first.
    virtual std::optional<QString> run(const QString& command, const QStringList& arguments, double timeout,
                                       const EnvironmentOverrides& environment,
                                       const std::optional<QString>& workingDirectory);

    // The file that a run of this command would start, or nothing.
    std::optional<QString> executablePath(const QString& command) const;
    // The inherited environment with the extended PATH and the overrides applied.
    QProcessEnvironment childEnvironment(const EnvironmentOverrides& environment) const;
    QStringList candidateFolders() const;

    // A regular file (links followed) that this process may execute.
    static bool isExecutableFile(const QString& path);

  private:
    HostEnvironment host_;
    Options options_;
};

} // namespace meterix
