#include "design/SpringAnimator.h"

#include <algorithm>
#include <cmath>

namespace meterix {

SpringAnimator::SpringAnimator(SpringSpec spec, double initialValue, QObject* parent)
    : QAbstractAnimation(parent), curve_(spec.curve()),
      value_(std::isfinite(initialValue) ? initialValue : 0.0), target_(value_) {}

SpringAnimator::~SpringAnimator() { blockSignals(true); }

void SpringAnimator::setTarget(double target, bool animated) {
    if (!std::isfinite(target)) return;
    if (!animated) {
        stop();
        target_ = target;
        velocity_ = 0;
        if (value_ != target) {
            value_ = target;
            Q_EMIT valueChanged(value_);
        }
        return;
    }
    if (target == target_ && state() == Running) return;
    target_ = target;
    startDisplacement_ = value_ - target_;
    startVelocity_ = velocity_;
    scale_ = curve_.moveSize(startDisplacement_, startVelocity_);
    if (startDisplacement_ == 0 && startVelocity_ == 0) {
        stop();
        return;
    }
    if (state() == Running) {
        segmentStartMs_ = currentTime();
    } else {
        segmentStartMs_ = 0;
        start();
    }
}

void SpringAnimator::updateCurrentTime(int currentTime) {
    if (state() != Running) return;
    const double t = std::max(0, currentTime - segmentStartMs_) / 1000.0;
    const SpringCurve::State s = curve_.at(t, startDisplacement_, startVelocity_);
    value_ = target_ + s.displacement;
    velocity_ = s.velocity;
    if (curve_.isAtRest(s, scale_)) {
        settle();
        return;
    }
    Q_EMIT valueChanged(value_);
}

void SpringAnimator::settle() {
    value_ = target_;
    velocity_ = 0;
    stop();
    Q_EMIT valueChanged(value_);
}

} // namespace meterix
