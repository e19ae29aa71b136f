#include "companion/CatAnimatedValue.h"

#include "design/AnimationCurves.h"

#include <algorithm>
#include <cmath>

namespace meterix {

// MARK: - Clock

CatAnimationClock::CatAnimationClock(std::chrono::milliseconds interval, CatMotion motion, QObject* parent)
    : QObject(parent), motion_(std::move(motion)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(interval);
    connect(&timer_, &QTimer::timeout, this, &CatAnimationClock::step);
    elapsed_.start();
}

CatAnimationClock::~CatAnimationClock() = default;

qint64 CatAnimationClock::now() const {
    return motion_.time ? motion_.time() : elapsed_.elapsed();
}

void CatAnimationClock::add(CatAnimatedValue* value) {
    if (std::find(moving_.begin(), moving_.end(), value) == moving_.end()) moving_.push_back(value);
    if (!timer_.isActive()) timer_.start();
}

void CatAnimationClock::remove(CatAnimatedValue* value) {
    std::erase(moving_, value);
    if (moving_.empty()) timer_.stop();
}

void CatAnimationClock::step() {
    if (moving_.empty()) return;
    const qint64 t = now();
    stepping_ = true;
    // A value's listeners may start, stop or even delete others meanwhile.
    const std::vector<CatAnimatedValue*> due = moving_;
    for (CatAnimatedValue* v : due)
        if (std::find(moving_.begin(), moving_.end(), v) != moving_.end()) v->advance(t);
    stepping_ = false;
    Q_EMIT stepped();
}

// MARK: - Value

CatAnimatedValue::CatAnimatedValue(CatAnimationClock& clock, double initial, QObject* parent)
    : QObject(parent), clock_(clock), value_(initial), target_(initial) {}

CatAnimatedValue::~CatAnimatedValue() {
    clock_.remove(this);
}

void CatAnimatedValue::set(double v) {
    if (v == value_) return;
    value_ = v;
    Q_EMIT valueChanged(v);
}

void CatAnimatedValue::stop() {
    move_ = CatAnimation::Kind::none;
    clock_.remove(this);
}

void CatAnimatedValue::animateTo(double target, CatAnimation how) {
    if (!std::isfinite(target)) return;
    const qint64 now = clock_.now();
    if (how.kind == CatAnimation::Kind::spring && !clock_.landsAtOnce()) {
        // A running spring of the same kind keeps its velocity from where it
        // stands now; otherwise it starts afresh, at rest, from the value.
        double position = value_, velocity = 0;
        const SpringCurve wanted = how.spring.curve();
        if (move_ == CatAnimation::Kind::spring && curve_.response() == wanted.response() &&
            curve_.dampingFraction() == wanted.dampingFraction()) {
            const SpringCurve::State s =
                curve_.at(std::max<qint64>(0, now - startMs_) / 1000.0, displacement0_, velocity0_);
            position = target_ + s.displacement;
            velocity = s.velocity;
        } else {
            curve_ = wanted;
        }
        target_ = target;
        displacement0_ = position - target;
        velocity0_ = velocity;
        startMs_ = now;
        scale_ = curve_.moveSize(displacement0_, velocity0_);
        if (displacement0_ == 0 && velocity0_ == 0) {
            stop();
            set(target);
            return;
        }
        move_ = CatAnimation::Kind::spring;
        clock_.add(this);
        return;
    }
    // A timed move under way goes on from where it stands now, not from its
    // last step: a walk's steps chain into one even glide.
    const double from = isTimed() ? timedPosition(now) : value_;
    target_ = target;
    if (clock_.landsAtOnce() || how.kind == CatAnimation::Kind::none || how.duration <= 0 || from == target) {
        stop();
        set(target);
        return;
    }
    switch (how.kind) {
    case CatAnimation::Kind::linear:
        easing_ = QEasingCurve(QEasingCurve::Linear);
        break;
    case CatAnimation::Kind::easeOut:
        easing_ = easeOutCurve();
        break;
    default:
        easing_ = EasedSpec::easeInOut();
        break;
    }
    move_ = how.kind;
    from_ = from;
    durationMs_ = how.duration * 1000;
    startMs_ = now;
    clock_.add(this);
}

void CatAnimatedValue::advance(qint64 now) {
    const double elapsedMs = double(std::max<qint64>(0, now - startMs_));
    if (move_ == CatAnimation::Kind::spring) {
        const SpringCurve::State s = curve_.at(elapsedMs / 1000.0, displacement0_, velocity0_);
        if (curve_.isAtRest(s, scale_)) {
            stop();
            set(target_);
            return;
        }
        set(target_ + s.displacement);
        return;
    }
    if (elapsedMs >= durationMs_) {
        stop();
        set(target_);
        return;
    }
    set(timedPosition(now));
}

bool CatAnimatedValue::isTimed() const {
    return move_ != CatAnimation::Kind::none && move_ != CatAnimation::Kind::spring;
}

double CatAnimatedValue::timedPosition(qint64 now) const {
    const double elapsedMs = double(std::max<qint64>(0, now - startMs_));
    if (elapsedMs >= durationMs_) return target_;
    return from_ + (target_ - from_) * easing_.valueForProgress(elapsedMs / durationMs_);
}

} // namespace meterix
