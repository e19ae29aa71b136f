#pragma once

#include <optional>

namespace meterix {

// The panel's scrolling area follows the height of the screen it holds: a new
// measurement is taken only when it is positive and more than half a point away
// from the last one, so measuring noise never redraws or resizes the window. The
// area itself is never less than 1 pt nor more than 560 pt tall; a taller screen
// scrolls.
class StackHeightTracker {
  public:
    static constexpr double tolerance = 0.5;
    static constexpr double maxScrollHeight = 560;

    // The new height to spring to, or nothing when the measurement is ignored.
    std::optional<double> accept(double measured);
    // The scrolling area's height for a stack height, no taller than limit
    // either (the room the panel has on a short screen).
    static double scrollHeight(double stackHeight, double limit = maxScrollHeight);

  private:
    double stackHeight_ = 0;
};

} // namespace meterix
