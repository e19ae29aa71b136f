#include "design/HoverFade.h"

#include "design/AnimationCurves.h"

namespace meterix {

HoverFade::HoverFade(int durationMs, QObject* parent) : QObject(parent) {
    fade_.setDuration(std::max(0, durationMs));
    fade_.setEasingCurve(easeOutCurve());
    fade_.setStartValue(0.0);
    fade_.setEndValue(0.0);
    connect(&fade_, &QVariantAnimation::valueChanged, this, &HoverFade::changed);
}

double HoverFade::amount() const {
    if (fade_.state() == QAbstractAnimation::Running) return fade_.currentValue().toDouble();
    return hovered_ ? 1.0 : 0.0;
}

void HoverFade::setHovered(bool hovered) {
    if (hovered == hovered_) return;
    const double from = amount();
    hovered_ = hovered;
    fade_.stop();
    fade_.setStartValue(from);
    fade_.setEndValue(hovered ? 1.0 : 0.0);
    fade_.start();
    Q_EMIT changed();
}

} // namespace meterix
