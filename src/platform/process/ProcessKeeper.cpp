#include "platform/process/ProcessKeeper.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <initializer_list>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

// Everything below runs in forked processes: system calls only.

namespace meterix {

namespace {

int64_t nowMs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Set by SIGTERM (the app's quit, or the app gone): end everything now.
volatile sig_atomic_t endNow = 0;
void onEndNow(int) { endNow = 1; }

// What the keeper's waits let through: only that SIGTERM.
sigset_t waitMask;

// How long the keeper goes on ending leftovers once told to end now.
constexpr int64_t kEndNowCleanupMs = 100;

// Waits for `fds` (may be none) up to `ms`, woken by a SIGTERM.
void waitFor(pollfd* fds, nfds_t count, int64_t ms) {
    ms = ms > 1000 ? 1000 : ms < 1 ? 1 : ms;
    const timespec span{time_t(ms / 1000), long(ms % 1000) * 1000000L};
    ::ppoll(fds, count, &span, &waitMask);
}

void nap(int64_t ms) {
    waitFor(nullptr, 0, ms);
}

// The keeper's standard three become the null device: the app's output (a
// terminal, a pipe someone waits on) must not stay open for as long as the
// keeper is busy with leftovers.
void standardToNull() {
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    for (int fd = 0; fd <= 2; ++fd)
        if (null < 0 || ::dup2(null, fd) < 0) ::close(fd);
    if (null > 2) ::close(null);
}

// Marks every descriptor from 3 up close-on-exec.
void closeOnExecFromThree(int highest) {
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
    for (int fd = 3; fd <= highest; ++fd)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
}

void closeFromThree(int highest) {
    if (::close_range(3, ~0U, 0) == 0) return;
    for (int fd = 3; fd <= highest; ++fd)
        ::close(fd);
}

[[noreturn]] void startClient(const ClientLaunch& l) {
    // A group of its own, so a time-out reaches the client and what it starts
    // beside it at once.
    ::setpgid(0, 0);
    sigset_t none;
    ::sigemptyset(&none);
    ::pthread_sigmask(SIG_SETMASK, &none, nullptr);
    int error = 0;
    if (::dup2(l.input, 0) < 0 || ::dup2(l.output, 1) < 0 || ::dup2(l.output, 2) < 0) error = errno;
    // The folder that was checked, by its descriptor: its path may name
    // another folder by now.
    if (!error && l.workingDirectory >= 0 && ::fchdir(l.workingDirectory) != 0) error = errno;
    if (!error) {
        closeOnExecFromThree(l.highestDescriptor);
        ::syscall(SYS_execveat, l.file, "", l.argv, l.envp, AT_EMPTY_PATH);
        // A script is read by its interpreter through /dev/fd/N, which a
        // close-on-exec descriptor would no longer name: it stays open for it.
        if (errno == ENOENT && ::fcntl(l.file, F_SETFD, 0) == 0)
            ::syscall(SYS_execveat, l.file, "", l.argv, l.envp, AT_EMPTY_PATH);
        error = errno;
    }
    [[maybe_unused]] const ssize_t n = ::write(l.failure, &error, sizeof error);
    ::_exit(127);
}

// Sends `signal` to every child of the keeper's, as listed under `procRoot`;
// false when they cannot be listed.
bool signalChildren(const char* procRoot, int signal) {
    char path[512];
    size_t at = 0;
    for (const char* part : {procRoot, "/thread-self/children"})
        for (; *part; ++part) {
            if (at + 1 >= sizeof path) return false;
            path[at++] = *part;
        }
    path[at] = '\0';
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[4096];
    pid_t pid = 0;
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] >= '0' && buffer[i] <= '9') {
                pid = pid * 10 + (buffer[i] - '0');
            } else {
                if (pid > 0) ::kill(pid, signal);
                pid = 0;
            }
        }
    }
    if (pid > 0) ::kill(pid, signal);
    ::close(fd);
    return true;
}

// Waits until the client has ended (left unreaped, so its id and its group's
// stay taken) or the moment `until` has come; true when it has ended.
bool clientEnded(pid_t client, int pidFd, int64_t until) {
    for (;;) {
        siginfo_t info{};
        if (::waitid(P_PID, id_t(client), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == client)
            return true;
        const int64_t left = until - nowMs();
        if (left <= 0 || endNow) return false;
        if (pidFd >= 0) {
            pollfd p{pidFd, POLLIN, 0};
            waitFor(&p, 1, left);
        } else {
            nap(left > 20 ? 20 : left);
        }
    }
}

// Kills and reaps everything left: the client's group (while the client's
// zombie still holds its id), then, over and over, every child of the
// keeper's, as the children of those killed come to it, until none is left or
// the moment `until` has come (sooner once told to end now): what cannot be
// listed or signalled is left then, never waited on for ever.
void endEverything(const ClientLaunch& l, pid_t client, int64_t until) {
    ::kill(-client, SIGKILL);
    bool hurried = false;
    for (;;) {
        signalChildren(l.procRoot, SIGKILL);
        pid_t reaped;
        int status;
        while ((reaped = ::waitpid(-1, &status, WNOHANG)) > 0) {
        }
        if (reaped < 0 && errno != EINTR) return; // ECHILD: none left
        const int64_t now = nowMs();
        if (endNow && !hurried) {
            hurried = true;
            if (now + kEndNowCleanupMs < until) until = now + kEndNowCleanupMs;
        }
        if (now >= until) return;
        nap(2);
    }
}

[[noreturn]] void keep(const ClientLaunch& l, pid_t app) {
    const int64_t deadline = nowMs() + l.timeoutMs;
    // Handlers of the app must never run here, and a SIGCHLD the app ignores
    // would reap the client before its end could be seen.
    sigset_t all;
    ::sigfillset(&all);
    ::sigprocmask(SIG_SETMASK, &all, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal)
        if (signal != SIGKILL && signal != SIGSTOP) ::sigaction(signal, &standard, nullptr);
    ::setsid();
    ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
    // Told when the app has gone; blocked until the waits below let it in.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM, 0, 0, 0);

    const pid_t client = ::_Fork();
    if (client < 0) {
        const int error = errno;
        [[maybe_unused]] const ssize_t n = ::write(l.failure, &error, sizeof error);
        ::_exit(int(KeeperEnd::notStarted));
    }
    if (client == 0) startClient(l);
    ::setpgid(client, client); // also here, so the group exists before it is signalled
    struct sigaction endRequest {};
    endRequest.sa_handler = onEndNow;
    ::sigaction(SIGTERM, &endRequest, nullptr);
    ::sigfillset(&waitMask);
    ::sigdelset(&waitMask, SIGTERM);
    if (::getppid() != app) endNow = 1; // gone before it could tell us
    standardToNull();
    closeFromThree(l.highestDescriptor);
    const int pidFd = int(::syscall(SYS_pidfd_open, client, 0));

    KeeperEnd end = KeeperEnd::clientEnded;
    if (!clientEnded(client, pidFd, deadline)) {
        end = KeeperEnd::timedOut;
        if (!endNow) {
            ::kill(-client, SIGTERM);
            signalChildren(l.procRoot, SIGTERM);
            clientEnded(client, pidFd, nowMs() + l.graceMs);
        }
    }
    endEverything(l, client, nowMs() + l.cleanupMs);
    ::_exit(int(end));
}

} // namespace

pid_t startKeeper(const ClientLaunch& launch) {
    const pid_t app = ::getpid();
    // Blocked across the fork: a signal that reached the new keeper before it
    // blocks its own would run the app's relay handler there, which writes
    // into the relay pipe it inherited and quits the app.
    sigset_t all, before;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &before);
    const pid_t pid = ::fork();
    if (pid == 0) keep(launch, app);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    return pid;
}

} // namespace meterix
