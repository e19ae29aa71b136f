#include "panels/SwitchToggleStyle.h"

#include "design/ShapePainting.h"
#include "design/Surface.h"

#include <QPainter>

namespace meterix {

SwitchToggleStyle::SwitchToggleStyle(bool isOn, QWidget* parent)
    : QAbstractButton(parent), knob_(knobSpring, isOn ? 1.0 : 0.0) {
    setCheckable(true);
    setChecked(isOn);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&knob_, &SpringAnimator::valueChanged, this, [this] { update(); });
}

double SwitchToggleStyle::knobX(double position) {
    const double knob = trackHeight - 2 * knobInset;
    return knobInset + (trackWidth - 2 * knobInset - knob) * position;
}

QSize SwitchToggleStyle::sizeHint() const {
    return QSize(int(trackWidth), int(trackHeight) + 2);
}

void SwitchToggleStyle::checkStateSet() {
    QAbstractButton::checkStateSet();
    knob_.setTarget(isChecked() ? 1.0 : 0.0, isVisible());
}

void SwitchToggleStyle::nextCheckState() {
    QAbstractButton::nextCheckState();
    knob_.setTarget(isChecked() ? 1.0 : 0.0, isVisible());
}

void SwitchToggleStyle::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(drawnOpacity());
    const QRectF track((width() - trackWidth) / 2, (height() - trackHeight) / 2, trackWidth, trackHeight);
    const QColor fill = isChecked() ? onTrack() : withOpacity(LabelColor::primary(), 0.16);
    p.fillPath(roundedRectPath(track, trackHeight / 2), fill);
    const double side = trackHeight - 2 * knobInset;
    const QRectF knob(track.left() + knobX(knob_.value()), track.top() + knobInset, side, side);
    // A soft shadow just under the knob.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 26));
    p.drawEllipse(knob.translated(0, 0.8).adjusted(-0.5, -0.5, 0.5, 0.5));
    p.setBrush(QColor(0, 0, 0, 51));
    p.drawEllipse(knob.translated(0, 0.8));
    p.setBrush(Qt::white);
    p.drawEllipse(knob);
}

} // namespace meterix
