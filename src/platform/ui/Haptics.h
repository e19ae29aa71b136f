#pragma once

namespace meterix {

// Haptic feedback. Linux desktops have no haptic device, so a performed pattern
// does nothing but count; the calls stay so the sound switch still gates them and
// tests can see each one. Any thread.
class Haptics {
public:
    enum class Pattern { alignment, levelChange };

    static void perform(Pattern pattern);
    // How often a pattern was performed since the process started.
    static int performedCount(Pattern pattern);
};

} // namespace meterix
