#pragma once

#include "core/TimerSource.h"

#include <QList>

#include <functional>

namespace meterix {

// One-shot steps on a timer source that are all cancelled together, at the
// latest when their owner goes away (a step never runs on a dead owner).
class ScheduledSteps {
  public:
    explicit ScheduledSteps(TimerSource& timers) : timers_(timers) {}
    ~ScheduledSteps() { cancelAll(); }
    ScheduledSteps(const ScheduledSteps&) = delete;
    ScheduledSteps& operator=(const ScheduledSteps&) = delete;

    // Runs step once, seconds from now (negative or NaN: at once, on the timer).
    void after(double seconds, std::function<void()> step);
    void cancelAll();
    bool isEmpty() const { return pending_.isEmpty(); }

    static std::chrono::milliseconds toMilliseconds(double seconds);

  private:
    TimerSource& timers_;
    QList<TimerSource::Id> pending_;
};

} // namespace meterix
