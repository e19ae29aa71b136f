#include "shell/QuitSignals.h"

#include <QSocketNotifier>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace meterix {

namespace {

// Where the handler writes; -1 while no relay holds the signals. A handler may
// only do async-signal-safe things: write one byte, the signal's number.
std::atomic<int> relayWriteEnd{-1};

void relaySignal(int signal) {
    const int saved = errno;
    const int fd = relayWriteEnd.load();
    if (fd >= 0) {
        const auto byte = static_cast<unsigned char>(signal);
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
    errno = saved;
}

bool hasDefaultAction(const struct sigaction& action) {
    return !(action.sa_flags & SA_SIGINFO) && action.sa_handler == SIG_DFL;
}

} // namespace

QuitSignals::QuitSignals(OnQuit onQuit, QObject* parent) : QObject(parent), onQuit_(std::move(onQuit)) {
    install();
}

void QuitSignals::install() {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    int unclaimed = -1;
    if (!relayWriteEnd.compare_exchange_strong(unclaimed, pipe_[1])) {
        ::close(pipe_[0]);
        ::close(pipe_[1]);
        pipe_[0] = pipe_[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { readPipe(); });

    for (const int signal : kQuitSignals)
        take(signal, relaySignal);
    std::vector<int> stray(std::begin(kStraySignals), std::end(kStraySignals));
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal)
        stray.push_back(signal);
    for (const int signal : stray)
        take(signal, relaySignal);
    for (const int signal : kIgnoredSignals)
        take(signal, SIG_IGN);
}

void QuitSignals::take(int signal, void (*handler)(int)) {
    struct sigaction before {};
    if (::sigaction(signal, nullptr, &before) != 0) return;
    const bool askedToEnd = std::find(std::begin(kQuitSignals), std::end(kQuitSignals), signal) !=
                            std::end(kQuitSignals);
    if (askedToEnd ? (signal == SIGHUP && before.sa_handler == SIG_IGN) : !hasDefaultAction(before)) return;
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(signal, &action, nullptr) != 0) return;
    taken_.push_back(signal);
    previous_.push_back(before);
}

void QuitSignals::readPipe() {
    unsigned char byte = 0;
    // One byte per signal; the rest (a second Ctrl+C while quitting) is drained.
    const bool got = ::read(pipe_[0], &byte, 1) == 1;
    unsigned char rest[64];
    while (::read(pipe_[0], rest, sizeof rest) > 0) {
    }
    if (!got || passedOn_) return;
    passedOn_ = true;
    if (onQuit_) onQuit_(byte);
}

QuitSignals::~QuitSignals() {
    for (std::size_t i = 0; i < taken_.size(); ++i) ::sigaction(taken_[i], &previous_[i], nullptr);
    if (notifier_) {
        delete notifier_;
        relayWriteEnd.store(-1);
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
}

} // namespace meterix
