#include "design/ShapePainting.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace meterix {

QPainterPath roundedRectPath(const QRectF& rect, double radius) {
    QPainterPath path;
    const double r = std::max(0.0, std::min(radius, std::min(rect.width(), rect.height()) / 2));
    path.addRoundedRect(rect, r, r);
    return path;
}

void strokeInside(QPainter& painter, const QRectF& rect, double radius, double width, const QBrush& brush) {
    const double inset = width / 2;
    painter.strokePath(roundedRectPath(rect.adjusted(inset, inset, -inset, -inset), radius - inset),
                       QPen(brush, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
}

QGradientStops evenStops(const QList<QColor>& colors) {
    QGradientStops stops;
    if (colors.size() == 1) return {QGradientStop(0, colors.constFirst()), QGradientStop(1, colors.constFirst())};
    for (qsizetype i = 0; i < colors.size(); ++i) stops << QGradientStop(double(i) / double(colors.size() - 1), colors[i]);
    return stops;
}

} // namespace meterix
