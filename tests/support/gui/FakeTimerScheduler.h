#pragma once

// A scheduler whose time moves only when a test advances it; due tasks run in
// order of their due time, each at its own moment.

#include "shell/TimerScheduler.h"

#include <algorithm>
#include <vector>

namespace meterix::test {

class FakeTimerScheduler final : public TimerScheduler {
public:
    TimePoint now() const override { return now_; }

    Token scheduleAt(TimePoint due, std::function<void()> task) override {
        tasks_.push_back(Task{next_, due, std::move(task)});
        return next_++;
    }

    void cancel(Token token) override {
        tasks_.erase(std::remove_if(tasks_.begin(), tasks_.end(), [token](const Task& t) { return t.token == token; }),
                     tasks_.end());
    }

    // Moves time forward, running every task that falls due on the way.
    void advance(double seconds) {
        const TimePoint target = after(now_, seconds);
        for (;;) {
            auto next = std::min_element(tasks_.begin(), tasks_.end(), [](const Task& a, const Task& b) {
                return a.due != b.due ? a.due < b.due : a.token < b.token;
            });
            if (next == tasks_.end() || next->due > target) break;
            now_ = std::max(now_, next->due);
            const std::function<void()> task = std::move(next->task);
            tasks_.erase(next);
            task();
        }
        now_ = target;
    }

    size_t pendingCount() const { return tasks_.size(); }
    // Seconds from now until the earliest pending task (negative: none).
    double secondsUntilNext() const {
        if (tasks_.empty()) return -1;
        TimePoint earliest = tasks_.front().due;
        for (const Task& t : tasks_) earliest = std::min(earliest, t.due);
        return std::chrono::duration<double>(earliest - now_).count();
    }

private:
    struct Task {
        Token token;
        TimePoint due;
        std::function<void()> task;
    };
    TimePoint now_{std::chrono::seconds(1000)};
    Token next_ = 1;
    std::vector<Task> tasks_;
};

} // namespace meterix::test
