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
// - A command containing "/" is taken as a path. A bare name is looked up where
//   Linux installers put the clients, in this order: ~/.local/bin (the native
//   installers), the absolute entries of the app's own PATH, /usr/local/bin,
//   /usr/bin, ~/.npm-global/bin, ~/.bun/bin, ~/.local/share/pnpm, ~/.volta/bin,
//   the node versions of nvm (~/.nvm/versions/node/*/bin) and of fnm
//   (~/.local/share/fnm/node-versions/*/installation/bin), newest version first,
//   and /home/linuxbrew/.linuxbrew/bin. Never a relative PATH entry, never the
//   current folder.
// - A client runs with the user's rights, so one planted where someone else can
//   write would run as the user: a folder or client file (or the folder its link
//   leads to) is skipped when it is owned by anyone but the user or root, or when
//   its group or others may write to it.
// - The child's PATH lists the chosen client's folder first: clients installed by
//   npm are node scripts ("#!/usr/bin/env node"), and their node lies beside them.
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
        // standard folders (the host's home, its PATH and the system's).
        QStringList candidateFolders;
        // Stands for "/" in the system's fixed folders (/usr/local/bin, /usr/bin,
        // /home/linuxbrew/...), so tests can lay them out in a temporary folder.
        QString systemRoot;
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
    // The inherited environment with the overrides applied and PATH set to the
    // client's folder, ~/.local/bin, /usr/local/bin, /usr/bin, /bin and the
    // absolute entries of the inherited PATH, each once; an overriding PATH
    // replaces all of it.
    QProcessEnvironment childEnvironment(const EnvironmentOverrides& environment,
                                         const QString& clientFolder = QString()) const;
    // Where bare names are looked up, in order, before the checks on ownership
    // and permissions. Lists the node version folders (blocking, file system).
    QStringList candidateFolders() const;

    // A regular file (links followed) that this process may execute.
    static bool isExecutableFile(const QString& path);
    // A folder, or an executable regular file (links followed) in a folder,
    // that only the user or root owns and only its owner may write to.
    static bool isTrustedFolder(const QString& path);
    static bool isTrustedClient(const QString& path);

  private:
    HostEnvironment host_;
    Options options_;
};

} // namespace meterix
