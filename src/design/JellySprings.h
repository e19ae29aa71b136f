#pragma once

#include "design/SpringCurve.h"

#include <QEasingCurve>

namespace meterix {

// A spring preset: response and damping fraction; the blend duration only
// smooths hand-overs between springs and is not modelled.
struct SpringSpec {
    double response;
    double dampingFraction;
    double blendDuration = 0;
    SpringCurve curve() const { return SpringCurve(response, dampingFraction); }
};

// A timed, eased animation preset.
struct EasedSpec {
    double duration; // seconds
    bool repeatsForever = false;
    bool autoreverses = false;
    // The platform's ease-in-out (a cubic Bézier through (0.42, 0) and (0.58, 1)).
    static QEasingCurve easeInOut();
};

// The named animation presets every view moves with.
struct JellySprings {
    static constexpr SpringSpec layout{0.38, 0.73};
    static constexpr SpringSpec hover{0.24, 0.79};
    static constexpr SpringSpec popover{0.42, 0.78, 0.2};
    static constexpr SpringSpec gauge{0.55, 1.0};
    static constexpr SpringSpec digits{0.34, 0.77};
    static constexpr EasedSpec pulse{2.2, true, true};
    static constexpr EasedSpec blink{0.12};
};

} // namespace meterix
