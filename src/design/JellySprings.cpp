#include "design/JellySprings.h"

#include <QPointF>

namespace meterix {

QEasingCurve EasedSpec::easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

} // namespace meterix
