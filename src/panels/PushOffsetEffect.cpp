#include "panels/PushOffsetEffect.h"

#include <algorithm>
#include <cmath>

namespace meterix {

PushOffsetEffect PushOffsetEffect::towards(const PushOffsetEffect& other, double t) const {
    if (!std::isfinite(t)) t = 1;
    const double opacity = this->opacity + (other.opacity - this->opacity) * t;
    return PushOffsetEffect{dx + (other.dx - dx) * t, std::clamp(opacity, 0.0, 1.0)};
}

MenuPushTransition MenuPushTransition::menuPush(bool forward) {
    const double d = forward ? distance : -distance;
    return MenuPushTransition{PushOffsetEffect{d, 0}, PushOffsetEffect{-d, 0}};
}

} // namespace meterix
