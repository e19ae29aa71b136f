#pragma once

// One-shot timers that fire only when a test moves time on: each due timer
// fires in order at its own moment, with the fake clock standing there.

#include "core/TimerSource.h"
#include "support/FakeClock.h"

#include <algorithm>
#include <map>

namespace meterix::test {

class FakeTimerSource final : public TimerSource {
public:
    explicit FakeTimerSource(FakeClock& clock) : clock_(clock) {}

    Id start(std::chrono::milliseconds delay, std::function<void()> fire) override {
        const Id id = ++next_;
        timers_[id] = Timer{nowMs_ + std::max<qint64>(0, delay.count()), std::move(fire)};
        return id;
    }
    void cancel(Id id) override { timers_.erase(id); }

    void advance(double seconds) {
        const qint64 target = nowMs_ + qint64(std::llround(seconds * 1000));
        for (;;) {
            auto next = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it)
                if (it->second.dueMs <= target && (next == timers_.end() || it->second.dueMs < next->second.dueMs))
                    next = it;
            if (next == timers_.end()) break;
            clock_.advance(double(next->second.dueMs - nowMs_) / 1000.0);
            nowMs_ = next->second.dueMs;
            auto fire = std::move(next->second.fire);
            timers_.erase(next);
            fire();
        }
        clock_.advance(double(target - nowMs_) / 1000.0);
        nowMs_ = target;
    }

    size_t pendingCount() const { return timers_.size(); }
    // Seconds until the next timer fires; negative when none is pending.
    double secondsUntilNext() const {
        qint64 earliest = -1;
        for (const auto& [id, t] : timers_)
            if (earliest < 0 || t.dueMs < earliest) earliest = t.dueMs;
        return earliest < 0 ? -1.0 : double(earliest - nowMs_) / 1000.0;
    }

private:
    struct Timer {
        qint64 dueMs;
        std::function<void()> fire;
    };
    FakeClock& clock_;
    qint64 nowMs_ = 0;
    Id next_ = 0;
    std::map<Id, Timer> timers_;
};

} // namespace meterix::test
