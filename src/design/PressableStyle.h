#pragma once

namespace meterix {

// How a tappable control answers a press: it shrinks to pressedScale and fades
// to pressedOpacity (both on the hover spring), and, with haptics on, plays the
// alignment haptic the moment a press begins, through the sound gate.
struct PressableStyle {
    double pressedScale = 0.93;
    double pressedOpacity = 0.75;
    bool haptics = true;
    // The common feel: 0.93, 0.75, with haptics.
    static constexpr PressableStyle pressable() { return PressableStyle{0.93, 0.75, true}; }
};

} // namespace meterix
