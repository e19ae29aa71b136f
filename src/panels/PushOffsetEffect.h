#pragma once

namespace meterix {

// Where a screen stands during a slide: moved dx points sideways (positive to
// the right) and drawn at opacity.
struct PushOffsetEffect {
    double dx = 0;
    double opacity = 1;

    static constexpr PushOffsetEffect identity() { return PushOffsetEffect{0, 1}; }
    // The way from this state to other, at progress t (0 here, 1 there). A
    // spring may overshoot 1: the offset follows it, the opacity stays in 0...1.
    PushOffsetEffect towards(const PushOffsetEffect& other, double t) const;

    bool operator==(const PushOffsetEffect&) const = default;
};

// The slide with which one screen replaces another. Moving forward, the new
// screen comes in from 18 pt to the right while fading in and the old one leaves
// 18 pt to the left while fading out; moving back, both go the other way, so the
// two are always mirror images.
struct MenuPushTransition {
    static constexpr double distance = 18;

    PushOffsetEffect insertionActive; // where the incoming screen starts
    PushOffsetEffect removalActive;   // where the outgoing screen ends

    static MenuPushTransition menuPush(bool forward);

    // Both screens at progress t of the slide.
    PushOffsetEffect incomingAt(double t) const {
        return insertionActive.towards(PushOffsetEffect::identity(), t);
    }
    PushOffsetEffect outgoingAt(double t) const {
        return PushOffsetEffect::identity().towards(removalActive, t);
    }
};

} // namespace meterix
