#include "panels/StackHeightTracker.h"

#include <algorithm>
#include <cmath>

namespace meterix {

std::optional<double> StackHeightTracker::accept(double measured) {
    if (!std::isfinite(measured) || !(measured > 0)) return std::nullopt;
    if (std::abs(measured - stackHeight_) <= tolerance) return std::nullopt;
    stackHeight_ = measured;
    return measured;
}

double StackHeightTracker::scrollHeight(double stackHeight, double limit) {
    if (!std::isfinite(stackHeight)) return 1;
    const double top = std::isfinite(limit) ? std::clamp(limit, 1.0, maxScrollHeight) : maxScrollHeight;
    return std::clamp(stackHeight, 1.0, top);
}

} // namespace meterix
