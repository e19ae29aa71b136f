#pragma once

namespace meterix {

// How a tappable control answers a press: it shrinks to pressedScale and fades
// to pressedOpacity (both on the hover spring).
struct PressableStyle {
    double pressedScale = 0.93;
    double pressedOpacity = 0.75;
    // The common feel: 0.93, 0.75.
    static constexpr PressableStyle pressable() { return PressableStyle{0.93, 0.75}; }
};

} // namespace meterix
