#pragma once

#include <QObject>

#include <functional>
#include <vector>

#include <csignal>

class QSocketNotifier;

namespace meterix {

// Takes every signal that would end the process where it stands and either
// turns it into one call on the event loop, so it quits through the app's own
// quit sequence (fetches stopped, the last readings saved), or ignores it.
// Only the first signal is passed on: the quit is under way after it.
//
// A hang-up that was ignored when the process started (nohup) stays ignored:
// whoever started it asked it to outlive its terminal. The signals asked of a
// program to end it are taken whatever they were, since a shell without job
// control starts its background commands with SIGINT and SIGQUIT ignored. The
// others are taken only while they have their default action: a handler a
// library installed for its own use stays.
//
// Handlers are not inherited across exec, but ignored signals are: whoever
// starts a child gives it the default dispositions back (the process keeper
// does).
//
// One relay at a time per process; its end gives the signals back what they
// had before.
class QuitSignals final : public QObject {
public:
    // The signals a user or a session sends to end a program: kill, Ctrl+C,
    // Ctrl+\ and a closed terminal.
    static constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGQUIT, SIGHUP};
    // Signals no one sends this app to end it, whose default would kill it
    // all the same (a stray kill -USR1, a timer's or a limit's signal, a
    // power failure). Quitting soundly is the kinder end; the real-time
    // signals join them at run time (their numbers are not constants).
    static constexpr int kStraySignals[] = {SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM, SIGPROF,
                                            SIGXCPU, SIGIO,   SIGPWR,  SIGSTKFLT};
    // Ignored: a reader that went away (logs piped into `head`) turns a write
    // into EPIPE, a file over the size limit into EFBIG, both failures the
    // writer handles instead of deaths.
    static constexpr int kIgnoredSignals[] = {SIGPIPE, SIGXFSZ};

    using OnQuit = std::function<void(int signal)>;

    explicit QuitSignals(OnQuit onQuit, QObject* parent = nullptr);
    ~QuitSignals() override;

    // Whether the relay is in place (a pipe could be made and no other relay
    // holds the signals).
    bool isActive() const { return notifier_ != nullptr; }

private:
    void install();
    void take(int signal, void (*handler)(int));
    void readPipe();

    OnQuit onQuit_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    bool passedOn_ = false;
    std::vector<int> taken_; // relayed or ignored: given back at the end
    std::vector<struct sigaction> previous_;
};

} // namespace meterix
