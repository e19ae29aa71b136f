#pragma once

#include "design/Metric.h"

namespace meterix {

// Corner radii in logical pixels.
struct Radius {
    static constexpr double bar = Metric::barHeight / 2; // 17
    static constexpr double chip = 11;
    static constexpr double section = 14;
    static constexpr double tile = 7;
    static constexpr double card = 22;
    static constexpr double menu = 14;
    static constexpr double menuRow = 7;
};

} // namespace meterix
