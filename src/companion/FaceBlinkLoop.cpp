#include "companion/FaceBlinkLoop.h"

#include "companion/CatRandomSource.h"
#include "companion/ScheduledSteps.h"

#include <cmath>

namespace meterix {

FaceBlinkLoop::FaceBlinkLoop(TimerSource& timers, CatRandomSource& random, std::function<void(bool)> onChange)
    : timers_(timers), random_(random), onChange_(std::move(onChange)) {}

FaceBlinkLoop::~FaceBlinkLoop() {
    if (pending_) timers_.cancel(pending_);
}

void FaceBlinkLoop::start() {
    if (!pending_) waitForNext();
}

void FaceBlinkLoop::stop() {
    if (pending_) timers_.cancel(pending_);
    pending_ = 0;
    set(false);
}

void FaceBlinkLoop::set(bool blinking) {
    if (blinking == blinking_) return;
    blinking_ = blinking;
    if (onChange_) onChange_(blinking);
}

void FaceBlinkLoop::waitForNext() {
    pending_ = timers_.start(ScheduledSteps::toMilliseconds(random_.wait(minimumWait, maximumWait)), [this] {
        set(true);
        pending_ = timers_.start(ScheduledSteps::toMilliseconds(blinkLength), [this] {
            set(false);
            waitForNext();
        });
    });
}

} // namespace meterix
