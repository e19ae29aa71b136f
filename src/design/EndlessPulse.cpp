#include "design/EndlessPulse.h"

#include "platform/ui/Appearance.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace meterix {

EndlessPulse::EndlessPulse(QWidget* owner, double durationSeconds, QEasingCurve easing, bool autoreverses,
                           int framesPerSecond)
    : QObject(owner), owner_(owner), easing_(std::move(easing)), autoreverses_(autoreverses) {
    const double cycle = autoreverses ? 2 * durationSeconds : durationSeconds;
    cycleMs_ = std::max<qint64>(1, std::lround(cycle * 1000));
    frames_.setTimerType(Qt::PreciseTimer);
    frames_.setInterval(1000 / std::clamp(framesPerSecond, 1, 120));
    connect(&frames_, &QTimer::timeout, this, &EndlessPulse::step);
    connect(&Appearance::shared(), &Appearance::changed, this, &EndlessPulse::reconsider);
    owner->installEventFilter(this);
    reconsider();
}

void EndlessPulse::step() {
    const double phase = double(clock_.elapsed() % cycleMs_) / double(cycleMs_);
    value_ = valueAtPhase(phase, easing_, autoreverses_);
    owner_->update();
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
        clock_.start(); // each run starts at the resting state
        frames_.start();
    } else if (!shouldRun) {
        if (isRunning()) frames_.stop();
        if (value_ != 0) {
            value_ = 0;
            owner_->update();
        }
    }
}

} // namespace meterix
