#include "panels/HoverFade.h"

#include "design/AnimationCurves.h"

#include <cmath>

namespace meterix {

HoverFade::HoverFade(double seconds, QObject* parent) : QObject(parent) {
    animation_.setDuration(int(std::lround(seconds * 1000)));
    animation_.setEasingCurve(easeOutCurve());
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        value_ = v.toDouble();
        Q_EMIT changed();
    });
}

void HoverFade::setHovered(bool hovered, bool animated) {
    if (hovered == hovered_) return;
    hovered_ = hovered;
    animation_.stop();
    const double target = hovered ? 1.0 : 0.0;
    if (!animated) {
        value_ = target;
        Q_EMIT changed();
        return;
    }
    animation_.setStartValue(value_);
    animation_.setEndValue(target);
    animation_.start();
}

} // namespace meterix
