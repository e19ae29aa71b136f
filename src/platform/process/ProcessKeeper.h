#pragma once

#include <sys/types.h>

#include <cstdint>

namespace meterix {

// Everything a client's start needs, made before the fork: after it, only calls
// that are safe in a forked copy of a threaded process run (no allocation, no
// locks, no Qt).
struct ClientLaunch {
    int file = -1;    // the checked client, started through this descriptor
    int input = -1;   // becomes standard input
    int output = -1;  // becomes standard output and error
    int failure = -1; // where an errno goes when the client cannot be started
    int workingDirectory = -1; // the checked folder the client starts in (fchdir); -1 keeps ours
    const char* procRoot = "/proc"; // where the keeper lists its children
    char* const* argv = nullptr;
    char* const* envp = nullptr;
    int highestDescriptor = 1024;
    int64_t timeoutMs = 0;
    int64_t graceMs = 0;
    // How long the keeper goes on ending what the client left once the client
    // is done. What it cannot list (a /proc of another PID namespace, a kernel
    // without children lists) or may not signal (a setuid helper) it leaves
    // behind when this has passed.
    int64_t cleanupMs = 0;
};

// How the keeper ended (its exit status).
enum class KeeperEnd : int { clientEnded = 0, timedOut = 1, notStarted = 2 };

// Starts a keeper process and returns its id (-1 when it cannot be forked). A
// client may start processes that leave its group and session (setsid, double
// forks) and so escape any signal to its group. The keeper is a subreaper:
// whatever the client leaves behind becomes its child as soon as its own
// parent goes. It starts the client in a process group of its own and waits
// for it up to timeoutMs; past that the client's group and the keeper's other
// children get SIGTERM, and graceMs later the rest. Either way, once the
// client is done, every process that is left of it is killed and reaped
// before the keeper itself exits, so nothing the client started outlives the
// keeper, as far as it can be listed and signalled within cleanupMs.
// The keeper holds none of the app's descriptors (its own standard three are
// the null device), so whoever reads the app's output sees it end with the app.
// SIGTERM to the keeper, sent by the app's quit or by the kernel when the app
// (the thread that started it) has gone, ends the client and what it left at
// once; the keeper is gone a moment later.
pid_t startKeeper(const ClientLaunch& launch);

} // namespace meterix
