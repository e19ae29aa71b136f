#pragma once

#include <QBrush>
#include <QColor>
#include <QGradientStops>
#include <QList>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace meterix {

// A rounded rectangle; the radius is limited to half the shorter side.
QPainterPath roundedRectPath(const QRectF& rect, double radius);

// Strokes the border of a rounded rectangle so the whole line lies inside it.
void strokeInside(QPainter& painter, const QRectF& rect, double radius, double width, const QBrush& brush);

// Colours spread evenly from 0 to 1 (one colour fills the whole range).
QGradientStops evenStops(const QList<QColor>& colors);

} // namespace meterix
