#pragma once

#include <QEasingCurve>
#include <QPointF>

namespace meterix {

// A timing curve as a cubic Bézier from (0, 0) to (1, 1) through two control points.
QEasingCurve cubicBezierCurve(QPointF c1, QPointF c2);
// The platform's ease-out: a cubic Bézier through (0, 0) and (0.58, 1).
QEasingCurve easeOutCurve();
// The platform's ease-in: a cubic Bézier through (0.42, 0) and (1, 1).
QEasingCurve easeInCurve();

} // namespace meterix
