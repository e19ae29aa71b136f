#include "panels/MenuActivitySpinner.h"

#include "design/Surface.h"
#include "platform/ui/Appearance.h"

#include <QPainter>
#include <QtMath>

namespace meterix {

namespace {
constexpr int kSpokes = 8;
}

MenuActivitySpinner::MenuActivitySpinner(Appearance& appearance, double side, QWidget* parent)
    : QWidget(parent), appearance_(appearance), side_(side) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
    turn_.setStartValue(0);
    turn_.setEndValue(kSpokes);
    turn_.setDuration(1000);
    turn_.setLoopCount(-1);
    connect(&turn_, &QVariantAnimation::valueChanged, this, [this] { update(); });
}

QSize MenuActivitySpinner::sizeHint() const {
    return QSize(qCeil(side_), qCeil(side_));
}

void MenuActivitySpinner::showEvent(QShowEvent* event) {
    if (!appearance_.reduceMotion()) turn_.start();
    QWidget::showEvent(event);
}

void MenuActivitySpinner::hideEvent(QHideEvent* event) {
    turn_.stop();
    QWidget::hideEvent(event);
}

void MenuActivitySpinner::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = QRectF(rect()).center();
    const double outer = side_ / 2, inner = side_ / 4;
    const int lead = isTurning() ? turn_.currentValue().toInt() % kSpokes : 0;
    const QColor tone = LabelColor::secondary();
    for (int i = 0; i < kSpokes; ++i) {
        const int age = (lead - i + kSpokes) % kSpokes;
        const double angle = 2 * M_PI * i / kSpokes - M_PI / 2;
        p.setPen(QPen(withOpacity(tone, 1.0 - 0.8 * age / kSpokes), std::max(1.0, side_ / 9), Qt::SolidLine,
                      Qt::RoundCap));
        p.drawLine(c + QPointF(std::cos(angle), std::sin(angle)) * inner,
                   c + QPointF(std::cos(angle), std::sin(angle)) * outer * 0.9);
    }
}

} // namespace meterix
