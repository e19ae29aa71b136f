#include "design/AnimationCurves.h"

#include <QPointF>

namespace meterix {

QEasingCurve easeOutCurve() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.0, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

} // namespace meterix
