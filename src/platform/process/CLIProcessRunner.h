#pragma once

#include "core/HostEnvironment.h"
#include "platform/process/ChildEnvironment.h"

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>

namespace meterix {

// Runs a provider's command-line client as a child process and hands back what it
// printed. The only place the app starts another program. Its units:
// - ClientLookup: where a command is looked for (a command containing "/" is
//   taken as a path; never a relative PATH entry, never the current folder);
// - ClientTrust: the rule a client must pass (a refused candidate is logged
//   once, with the reason). The check is made on descriptors, and the client is
//   started through the descriptor it was checked by (execveat), so swapping a
//   folder after the check cannot change what runs;
// - ChildEnvironment: what of the app's environment the client sees, and its
//   PATH of trusted folders;
// - ProcessKeeper: the child under a keeper process, in a group of its own. At
//   the time-out the group and whatever the client left behind get SIGTERM, then
//   SIGKILL after the grace period; when the client exits, whatever it started
//   is killed too, also what left its group or session. run() returns once all
//   of it is gone.
// The child starts with only standard input (the null device), output and error
// (one shared pipe) open; a client that is a script also keeps the descriptor
// its interpreter reads it through. Arguments go to the program as they are (no
// shell). Output is read as it comes and kept up to a cap; beyond it the pipe is
// still drained (so the child never blocks) and the rest is dropped.
//
// run() blocks for as long as the child runs (up to the time-out plus the grace
// period): call it off the GUI thread. Adapters take a runner by reference so
// tests can substitute their own.
class CLIProcessRunner {
  public:
    static constexpr int64_t kDefaultOutputCap = 1024 * 1024;
    static constexpr double kDefaultKillGraceSeconds = 1.0;
    static constexpr double kDefaultCleanupSeconds = 2.0;

    struct Options {
        int64_t outputCap = kDefaultOutputCap;
        double killGraceSeconds = kDefaultKillGraceSeconds;
        // How long the keeper goes on ending what the client left behind.
        double cleanupSeconds = kDefaultCleanupSeconds;
        // Where the keeper lists its children ("/proc" when empty), so tests
        // can stand in a /proc that lists nothing.
        QString procRoot;
        // Where bare command names are looked up, in order; empty means the
        // standard folders (the host's home, its PATH and the system's).
        QStringList candidateFolders;
        // Stands for "/" in the system's fixed folders (/usr/local/bin, /usr/bin,
        // /home/linuxbrew/...), so tests can lay them out in a temporary folder.
        QString systemRoot;
        // Who owns a file or folder as the trust rule sees it (its owner's id by
        // default), so tests can stand another user in for some of them.
        std::function<uid_t(const struct stat&)> ownerOf;
        // Called with the client's folder once it and the working folder are
        // checked, just before it starts (tests swap folders here).
        std::function<void(const QString& clientFolder)> beforeStart;
    };

    explicit CLIProcessRunner(HostEnvironment host = HostEnvironment::current());
    CLIProcessRunner(HostEnvironment host, Options options);
    virtual ~CLIProcessRunner() = default;

    // The runner of the app itself.
    static CLIProcessRunner& shared();

    // Tells every keeper running now, of any runner, to end its client and
    // what it left at once; their run() calls return nothing a moment later.
    // For the quit: nothing is waited for here. Safe from any thread.
    static void endRunningClients();

    // The child's combined output decoded as UTF-8 (the empty text when it is not
    // valid UTF-8 or there is none), whatever its exit status. Nothing when no
    // client passes the lookup, the child cannot start, or the time-out passes
    // first.
    virtual std::optional<QString> run(const QString& command, const QStringList& arguments, double timeout,
                                       const EnvironmentOverrides& environment,
                                       const std::optional<QString>& workingDirectory);

    // The file that a run of this command would start (where it was found), or
    // nothing.
    std::optional<QString> executablePath(const QString& command) const;
    // The child's environment for the client at `clientPath` (see above), with
    // the overrides applied last; an overriding PATH replaces the whole PATH.
    QProcessEnvironment childEnvironment(const EnvironmentOverrides& environment,
                                         const QString& clientPath = QString()) const;
    // Where bare names are looked up, in order, before the trust rule. Lists the
    // node version folders (blocking, file system).
    QStringList candidateFolders() const;
    // The real path of a folder that passes the trust rule and can stand in a
    // PATH as it is (no ":" in it), or nothing.
    std::optional<QString> trustedFolder(const QString& path) const;

  private:
    HostEnvironment host_;
    Options options_;
};

} // namespace meterix
