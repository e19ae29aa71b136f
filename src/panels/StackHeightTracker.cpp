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

double StackHeightTracker::scrollHeight(double stackHeight) {
    if (!std::isfinite(stackHeight)) return 1;
    return std::clamp(stackHeight, 1.0, maxScrollHeight);
}

} // namespace meterix
