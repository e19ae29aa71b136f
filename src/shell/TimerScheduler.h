#pragma once

#include <QObject>

#include <chrono>
#include <functional>
#include <unordered_map>

class QTimer;

namespace meterix {

// Delayed calls on the GUI thread against a monotonic clock. Window controllers
// take one so that reveal delays and cool-downs can be driven by a test's own
// time instead of the wall clock.
class TimerScheduler {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    using Token = quint64; // 0 is never handed out

    virtual ~TimerScheduler() = default;

    virtual TimePoint now() const = 0;
    // Runs task once at due (at once, on the next turn of the loop, when due has
    // passed). Nothing runs after cancel().
    virtual Token scheduleAt(TimePoint due, std::function<void()> task) = 0;
    virtual void cancel(Token token) = 0;

    Token scheduleAfter(double seconds, std::function<void()> task);
    static TimePoint after(TimePoint from, double seconds);

    // The GUI thread's scheduler on precise Qt timers.
    static TimerScheduler& main();
};

class QtTimerScheduler final : public QObject, public TimerScheduler {
    Q_OBJECT

public:
    explicit QtTimerScheduler(QObject* parent = nullptr);
    ~QtTimerScheduler() override;

    TimePoint now() const override;
    Token scheduleAt(TimePoint due, std::function<void()> task) override;
    void cancel(Token token) override;

private:
    Token next_ = 1;
    std::unordered_map<Token, QTimer*> timers_;
};

} // namespace meterix
