#include "companion/ScheduledSteps.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace meterix {

std::chrono::milliseconds ScheduledSteps::toMilliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0) return std::chrono::milliseconds(0);
    return std::chrono::milliseconds(std::llround(std::min(seconds, 1e6) * 1000));
}

void ScheduledSteps::after(double seconds, std::function<void()> step) {
    auto id = std::make_shared<TimerSource::Id>(0);
    *id = timers_.start(toMilliseconds(seconds), [this, id, step = std::move(step)] {
        pending_.removeOne(*id);
        step();
    });
    pending_.append(*id);
}

void ScheduledSteps::cancelAll() {
    for (TimerSource::Id id : std::exchange(pending_, {}))
        timers_.cancel(id);
}

} // namespace meterix
