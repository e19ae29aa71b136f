#include "platform/process/ProcessKeeper.h"

#include <cerrno>
#include <csignal>
#include <ctime>
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

void nap(int64_t ms) {
    ::poll(nullptr, 0, int(ms > 1000 ? 1000 : ms < 1 ? 1 : ms));
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
    if (!error && l.workingDirectory && ::chdir(l.workingDirectory) != 0) error = errno;
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

// Sends `signal` to every child of the keeper's; false when they cannot be
// listed.
bool signalChildren(int signal) {
    char path[64] = "/proc/self/task/";
    size_t at = 16;
    char digits[24];
    int count = 0;
    for (pid_t self = ::getpid(); self > 0; self /= 10)
        digits[count++] = char('0' + self % 10);
    while (count > 0)
        path[at++] = digits[--count];
    for (const char* tail = "/children"; *tail;)
        path[at++] = *tail++;
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
        if (left <= 0) return false;
        if (pidFd >= 0) {
            pollfd p{pidFd, POLLIN, 0};
            ::poll(&p, 1, int(left > 1000 ? 1000 : left));
        } else {
            nap(left > 20 ? 20 : left);
        }
    }
}

// Kills and reaps everything left: the client's group (while the client's
// zombie still holds its id), then, over and over, every child of the
// keeper's, as the children of those killed come to it, until none is left.
void endEverything(pid_t client) {
    ::kill(-client, SIGKILL);
    for (;;) {
        signalChildren(SIGKILL);
        pid_t reaped;
        int status;
        while ((reaped = ::waitpid(-1, &status, WNOHANG)) > 0) {
        }
        if (reaped < 0 && errno != EINTR) return; // ECHILD: none left
        nap(2);
    }
}

[[noreturn]] void keep(const ClientLaunch& l) {
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

    const pid_t client = ::_Fork();
    if (client < 0) {
        const int error = errno;
        [[maybe_unused]] const ssize_t n = ::write(l.failure, &error, sizeof error);
        ::_exit(int(KeeperEnd::notStarted));
    }
    if (client == 0) startClient(l);
    ::setpgid(client, client); // also here, so the group exists before it is signalled
    closeFromThree(l.highestDescriptor);
    const int pidFd = int(::syscall(SYS_pidfd_open, client, 0));

    KeeperEnd end = KeeperEnd::clientEnded;
    if (!clientEnded(client, pidFd, deadline)) {
        end = KeeperEnd::timedOut;
        ::kill(-client, SIGTERM);
        signalChildren(SIGTERM);
        clientEnded(client, pidFd, nowMs() + l.graceMs);
    }
    endEverything(client);
    ::_exit(int(end));
}

} // namespace

pid_t startKeeper(const ClientLaunch& launch) {
    const pid_t pid = ::fork();
    if (pid == 0) keep(launch);
    return pid;
}

} // namespace meterix
