#include "companion/EyeTrackingModifier.h"

#include "design/JellySprings.h"
#include "design/SpringAnimator.h"

#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace meterix {

namespace {
constexpr double kCentre = 14;
}

EyeTrackingModifier::EyeTrackingModifier(QWidget* content, Binding pupilOffset, double maxOffset)
    : QObject(content), content_(content), binding_(std::move(pupilOffset)),
      maxOffset_(std::isfinite(maxOffset) ? std::abs(maxOffset) : 2),
      dx_(std::make_unique<SpringAnimator>(JellySprings::eyeTrack())),
      dy_(std::make_unique<SpringAnimator>(JellySprings::eyeTrack())) {
    auto publish = [this] {
        if (binding_) binding_(QSizeF(dx_->value(), dy_->value()));
    };
    connect(dx_.get(), &SpringAnimator::valueChanged, this, publish);
    connect(dy_.get(), &SpringAnimator::valueChanged, this, publish);
    if (content_) {
        content_->setMouseTracking(true);
        content_->installEventFilter(this);
    }
}

EyeTrackingModifier::~EyeTrackingModifier() = default;

QSizeF EyeTrackingModifier::pupilOffsetFor(QPointF location, double maxOffset) {
    auto axis = [maxOffset](double v) {
        if (!std::isfinite(v)) return 0.0;
        return std::clamp((v - kCentre) / kCentre * maxOffset, -maxOffset, maxOffset);
    };
    return QSizeF(axis(location.x()), axis(location.y()));
}

void EyeTrackingModifier::moveTo(QSizeF offset) {
    target_ = offset;
    dx_->setTarget(offset.width());
    dy_->setTarget(offset.height());
}

bool EyeTrackingModifier::eventFilter(QObject* watched, QEvent* event) {
    if (watched == content_) {
        if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
            const QPointF at = event->type() == QEvent::MouseMove
                                   ? static_cast<QMouseEvent*>(event)->position()
                                   : static_cast<QEnterEvent*>(event)->position();
            moveTo(pupilOffsetFor(at, maxOffset_));
        } else if (event->type() == QEvent::Leave) {
            moveTo(QSizeF(0, 0));
        }
    }
    return QObject::eventFilter(watched, event);
}

EyeTrackingModifier* trackCursorForPupils(QWidget* content, EyeTrackingModifier::Binding pupilOffset,
                                          double maxOffset) {
    return new EyeTrackingModifier(content, std::move(pupilOffset), maxOffset);
}

} // namespace meterix
