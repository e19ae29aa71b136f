#include "design/AnimationCurves.h"

namespace meterix {

QEasingCurve cubicBezierCurve(QPointF c1, QPointF c2) {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(c1, c2, QPointF(1.0, 1.0));
    return curve;
}

QEasingCurve easeOutCurve() {
    return cubicBezierCurve(QPointF(0.0, 0.0), QPointF(0.58, 1.0));
}

QEasingCurve easeInCurve() {
    return cubicBezierCurve(QPointF(0.42, 0.0), QPointF(1.0, 1.0));
}

} // namespace meterix
