#pragma once

#include <QObject>

#include <functional>
#include <initializer_list>
#include <vector>

#include <csignal>

class QSocketNotifier;

namespace meterix {

// Turns the signals that ask a process to end into one call on the event loop,
// so they quit through the app's own quit sequence (fetches stopped, the last
// readings saved) instead of killing it where it stands. Only the first signal
// is passed on: the quit is under way after it.
//
// A hang-up that was ignored when the process started (nohup) stays ignored:
// whoever started it asked it to outlive its terminal. The other signals are
// taken whatever they were, since a shell without job control starts its
// background commands with SIGINT and SIGQUIT ignored.
//
// One relay at a time per process; its end gives the signals back what they
// had before.
class QuitSignals final : public QObject {
public:
    // The signals a user or a session sends to end a program: kill, Ctrl+C,
    // Ctrl+\ and a closed terminal.
    static constexpr int kQuitSignals[] = {SIGTERM, SIGINT, SIGQUIT, SIGHUP};

    using OnQuit = std::function<void(int signal)>;

    QuitSignals(std::initializer_list<int> signals, OnQuit onQuit, QObject* parent = nullptr);
    // For every signal of kQuitSignals.
    explicit QuitSignals(OnQuit onQuit, QObject* parent = nullptr);
    ~QuitSignals() override;

    // Whether the relay is in place (a pipe could be made and no other relay
    // holds the signals).
    bool isActive() const { return notifier_ != nullptr; }
    // The signals it took over (those left ignored are not among them).
    const std::vector<int>& relayedSignals() const { return relayed_; }

private:
    void install(std::initializer_list<int> signals);
    void readPipe();

    OnQuit onQuit_;
    int pipe_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
    bool passedOn_ = false;
    std::vector<int> relayed_;
    std::vector<struct sigaction> previous_;
};

} // namespace meterix
