#include "design/PressableButton.h"


#include <QPaintEvent>
#include <QPainter>

namespace meterix {

PressableButton::PressableButton(PressableStyle style, QWidget* parent)
    : QAbstractButton(parent), style_(style), press_(JellySprings::hover, 0.0) {
    connect(this, &QAbstractButton::pressed, this, [this] { onPressedChanged(true); });
    connect(this, &QAbstractButton::released, this, [this] { onPressedChanged(false); });
    connect(&press_, &SpringAnimator::valueChanged, this, [this] { update(); });
}

double PressableButton::currentScale() const { return 1.0 + (style_.pressedScale - 1.0) * press_.value(); }

double PressableButton::currentOpacity() const { return 1.0 + (style_.pressedOpacity - 1.0) * press_.value(); }

void PressableButton::onPressedChanged(bool pressed) {
    press_.setTarget(pressed ? 1.0 : 0.0, isVisible());
}

void PressableButton::paintEvent(QPaintEvent* event) {
    const QRectF r = rect();
    const double s = currentScale();
    // A neighbour's repaint may cross the room around the control (the cat's
    // paws over a bar segment's margin): no painter for what draws nothing.
    const QRectF drawn = contentBounds();
    const QRectF scaled(r.center() + (drawn.topLeft() - r.center()) * s, drawn.size() * s);
    if (!event->region().intersects(scaled.toAlignedRect())) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(r.center());
    p.scale(s, s);
    p.translate(-r.center());
    p.setOpacity(currentOpacity());
    paintContent(p, r);
}

} // namespace meterix
