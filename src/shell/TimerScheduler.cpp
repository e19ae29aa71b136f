#include "shell/TimerScheduler.h"

#include <QTimer>

#include <cmath>

namespace meterix {

TimerScheduler::Token TimerScheduler::scheduleAfter(double seconds, std::function<void()> task) {
    return scheduleAt(after(now(), seconds), std::move(task));
}

TimerScheduler::TimePoint TimerScheduler::after(TimePoint from, double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) seconds = 0;
    return from + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                      std::chrono::duration<double>(seconds));
}

TimerScheduler& TimerScheduler::main() {
    static QtTimerScheduler* instance = new QtTimerScheduler(); // lives for the whole process
    return *instance;
}

QtTimerScheduler::QtTimerScheduler(QObject* parent) : QObject(parent) {}

QtTimerScheduler::~QtTimerScheduler() {
    for (auto& [token, timer] : timers_) delete timer;
}

TimerScheduler::TimePoint QtTimerScheduler::now() const { return std::chrono::steady_clock::now(); }

TimerScheduler::Token QtTimerScheduler::scheduleAt(TimePoint due, std::function<void()> task) {
    const Token token = next_++;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now()).count();
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(int(std::clamp<long long>(wait, 0, 24LL * 3600 * 1000)));
    connect(timer, &QTimer::timeout, this, [this, token, task = std::move(task)] {
        cancel(token); // forget the timer first: the task may schedule again
        task();
    });
    timers_.emplace(token, timer);
    timer->start();
    return token;
}

void QtTimerScheduler::cancel(Token token) {
    const auto it = timers_.find(token);
    if (it == timers_.end()) return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

} // namespace meterix
