#include "design/GrabberHandle.h"

#include "design/Surface.h"

#include <QPainter>
#include <QtMath>

namespace meterix {

GrabberHandle::GrabberHandle(bool isActive, QWidget* parent)
    : QWidget(parent), active_(isActive), activation_(JellySprings::hover, isActive ? 1.0 : 0.0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    connect(&activation_, &SpringAnimator::valueChanged, this, [this] { update(); });
}

void GrabberHandle::setActive(bool active) {
    if (active == active_) return;
    active_ = active;
    activation_.setTarget(active ? 1.0 : 0.0, isVisible());
    update();
}

double GrabberHandle::currentHeight() const {
    return heightFor(false) + (heightFor(true) - heightFor(false)) * activation_.value();
}

double GrabberHandle::currentOpacity() const {
    return opacityFor(false) + (opacityFor(true) - opacityFor(false)) * activation_.value();
}

QSize GrabberHandle::sizeHint() const { return QSize(qCeil(capsuleWidth), qCeil(heightFor(true))); }

void GrabberHandle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double h = currentHeight();
    const QRectF capsule((width() - capsuleWidth) / 2.0, (height() - h) / 2.0, capsuleWidth, h);
    p.setPen(Qt::NoPen);
    p.setBrush(withOpacity(LabelColor::primary(), currentOpacity()));
    p.drawRoundedRect(capsule, capsuleWidth / 2, capsuleWidth / 2);
}

} // namespace meterix
