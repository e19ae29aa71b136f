#include "design/EndlessPulse.h"

#include "platform/ui/Appearance.h"

#include <QEvent>
#include <QWidget>

#include <cmath>

namespace meterix {

EndlessPulse::EndlessPulse(QWidget* owner, double durationSeconds, QEasingCurve easing, bool autoreverses)
    : QObject(owner), owner_(owner), easing_(std::move(easing)), autoreverses_(autoreverses) {
    const double cycle = autoreverses ? 2 * durationSeconds : durationSeconds;
    animation_.setDuration(std::max(1, int(std::lround(cycle * 1000))));
    animation_.setStartValue(0.0);
    animation_.setEndValue(1.0);
    animation_.setLoopCount(-1);
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& phase) {
        value_ = valueAtPhase(phase.toDouble(), easing_, autoreverses_);
        owner_->update();
    });
    connect(&Appearance::shared(), &Appearance::changed, this, &EndlessPulse::reconsider);
    owner->installEventFilter(this);
    reconsider();
}

double EndlessPulse::valueAtPhase(double phase, const QEasingCurve& easing, bool autoreverses) {
    if (!std::isfinite(phase)) return 0;
    phase = std::clamp(phase, 0.0, 1.0);
    if (!autoreverses) return easing.valueForProgress(phase);
    return phase <= 0.5 ? easing.valueForProgress(2 * phase) : easing.valueForProgress(2 - 2 * phase);
}

bool EndlessPulse::eventFilter(QObject* watched, QEvent* event) {
    if (watched == owner_ && (event->type() == QEvent::Show || event->type() == QEvent::Hide)) reconsider();
    return QObject::eventFilter(watched, event);
}

void EndlessPulse::reconsider() {
    const bool shouldRun = owner_->isVisible() && !Appearance::shared().reduceMotion();
    if (shouldRun && !isRunning()) {
        animation_.start();
    } else if (!shouldRun) {
        if (isRunning()) animation_.stop();
        if (value_ != 0) {
            value_ = 0;
            owner_->update();
        }
    }
}

} // namespace meterix
