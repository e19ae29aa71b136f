#include "companion/CatGesture.h"

#include "companion/PixelCatEngine.h"

#include <cmath>

namespace meterix {

void CatGesture::press(QPointF globalPoint) {
    pressed_ = true;
    begun_ = false;
    start_ = last_ = globalPoint;
}

void CatGesture::move(QPointF globalPoint) {
    if (!pressed_) return;
    last_ = globalPoint;
    const QPointF t = globalPoint - start_;
    const double distance = std::hypot(t.x(), t.y());
    if (!begun_ && !(distance >= minimumDistance)) return;
    begun_ = true;
    if (!engine_.isBeingHeld() && distance >= liftDistance) engine_.onDragStarted(globalPoint);
    engine_.onDragChanged(QSizeF(t.x(), t.y()), globalPoint);
}

void CatGesture::release(QPointF globalPoint) {
    if (!pressed_) return;
    if (globalPoint != last_) move(globalPoint);
    pressed_ = false;
    if (!begun_) return; // a press that never moved 1 pt starts nothing
    begun_ = false;
    const QPointF t = globalPoint - start_;
    if (engine_.isBeingHeld())
        engine_.onDragEnded(QSizeF(t.x(), t.y()), globalPoint);
    else
        engine_.onCatTapped();
}

void CatGesture::cancel() {
    if (!pressed_) return;
    pressed_ = false;
    const bool lifted = begun_ && engine_.isBeingHeld();
    begun_ = false;
    if (lifted) {
        const QPointF t = last_ - start_;
        engine_.onDragEnded(QSizeF(t.x(), t.y()), last_);
    }
}

} // namespace meterix
