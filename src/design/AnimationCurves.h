#pragma once

#include <QEasingCurve>

namespace meterix {

// The platform's ease-out: a cubic Bézier through (0, 0) and (0.58, 1).
QEasingCurve easeOutCurve();

} // namespace meterix
