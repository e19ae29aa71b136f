#include "design/HairlineDivider.h"

#include "design/Surface.h"

#include <QLinearGradient>
#include <QPainter>
#include <QtMath>

namespace meterix {

HairlineDivider::HairlineDivider(double height, QWidget* parent) : QWidget(parent), height_(height > 0 ? height : 0) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(sizeHint());
}

QGradientStops HairlineDivider::opacityStops() {
    return {QGradientStop(0.0, QColor(0, 0, 0, 0)), QGradientStop(0.5, QColor::fromRgbF(0, 0, 0, 0.14f)),
            QGradientStop(1.0, QColor(0, 0, 0, 0))};
}

QSize HairlineDivider::sizeHint() const { return QSize(1, qCeil(height_)); }

void HairlineDivider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF line((width() - lineWidth) / 2.0, (height() - height_) / 2.0, lineWidth, height_);
    QLinearGradient g(line.topLeft(), line.bottomLeft());
    const QColor primary = LabelColor::primary();
    for (const QGradientStop& stop : opacityStops()) g.setColorAt(stop.first, withOpacity(primary, stop.second.alphaF()));
    p.fillRect(line, g);
}

} // namespace meterix
