#include "shell/QuitSignals.h"

#include <QSocketNotifier>

#include <atomic>
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

} // namespace

QuitSignals::QuitSignals(std::initializer_list<int> signals, OnQuit onQuit, QObject* parent)
    : QObject(parent), onQuit_(std::move(onQuit)) {
    install(signals);
}

QuitSignals::QuitSignals(OnQuit onQuit, QObject* parent)
    : QuitSignals({kQuitSignals[0], kQuitSignals[1], kQuitSignals[2], kQuitSignals[3]}, std::move(onQuit),
                  parent) {}

void QuitSignals::install(std::initializer_list<int> signals) {
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

    struct sigaction action {};
    action.sa_handler = relaySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : signals) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) != 0) continue;
        if (signal == SIGHUP && before.sa_handler == SIG_IGN) continue;
        if (::sigaction(signal, &action, nullptr) != 0) continue;
        relayed_.push_back(signal);
        previous_.push_back(before);
    }
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
    for (std::size_t i = 0; i < relayed_.size(); ++i) ::sigaction(relayed_[i], &previous_[i], nullptr);
    if (notifier_) {
        delete notifier_;
        relayWriteEnd.store(-1);
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
}

} // namespace meterix
