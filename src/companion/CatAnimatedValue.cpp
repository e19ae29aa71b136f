#include "companion/CatAnimatedValue.h"

#include "design/AnimationCurves.h"
#include "design/SpringAnimator.h"

#include <cmath>

namespace meterix {

namespace {
bool gInstant = false;
}

void CatAnimatedValue::setInstantForTesting(bool instant) {
    gInstant = instant;
}

CatAnimatedValue::CatAnimatedValue(double initial, QObject* parent)
    : QObject(parent), value_(initial), target_(initial) {
    connect(&timed_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& v) { set(v.toDouble()); });
}

CatAnimatedValue::~CatAnimatedValue() = default;

bool CatAnimatedValue::isMoving() const {
    return timed_.state() == QAbstractAnimation::Running ||
           (spring_ && spring_->state() == QAbstractAnimation::Running);
}

void CatAnimatedValue::set(double v) {
    if (v == value_) return;
    value_ = v;
    Q_EMIT valueChanged(v);
}

void CatAnimatedValue::animateTo(double target, CatAnimation how) {
    if (!std::isfinite(target)) return;
    target_ = target;
    timed_.stop();
    if (how.kind != CatAnimation::Kind::spring && spring_) spring_->stop();
    if (gInstant || how.kind == CatAnimation::Kind::none ||
        (how.kind != CatAnimation::Kind::spring && how.duration <= 0)) {
        if (spring_) spring_->setTarget(target, false);
        set(target);
        return;
    }
    if (how.kind == CatAnimation::Kind::spring) {
        // A running spring keeps its velocity; otherwise start afresh from where
        // the value stands (a timed move may have left it elsewhere).
        if (!spring_ || spring_->state() != QAbstractAnimation::Running ||
            spring_->spec().response != how.spring.response ||
            spring_->spec().dampingFraction != how.spring.dampingFraction) {
            spring_ = std::make_unique<SpringAnimator>(how.spring, value_);
            connect(spring_.get(), &SpringAnimator::valueChanged, this, &CatAnimatedValue::set);
        }
        spring_->setTarget(target);
        return;
    }
    switch (how.kind) {
    case CatAnimation::Kind::linear:
        timed_.setEasingCurve(QEasingCurve::Linear);
        break;
    case CatAnimation::Kind::easeOut:
        timed_.setEasingCurve(easeOutCurve());
        break;
    default:
        timed_.setEasingCurve(EasedSpec::easeInOut());
        break;
    }
    timed_.setStartValue(value_);
    timed_.setEndValue(target);
    timed_.setDuration(int(std::lround(how.duration * 1000)));
    timed_.start();
}

} // namespace meterix
