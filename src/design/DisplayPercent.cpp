#include "design/DisplayPercent.h"

#include <algorithm>
#include <cmath>

namespace meterix {

std::optional<int> displayPercent(double percentage) {
    if (!std::isfinite(percentage)) return std::nullopt;
    const double held = std::clamp(percentage, double(-kMaxDisplayPercent), double(kMaxDisplayPercent));
    return int(std::round(held));
}

} // namespace meterix
