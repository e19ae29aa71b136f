#pragma once

#include "platform/ui/Appearance.h"

#include <optional>

namespace meterix::test {

// The app's one appearance told what the desktop's settings portal would say:
// this scheme, or nothing (the palette decides then: light on the test
// platform).
inline void showLook(std::optional<Appearance::Scheme> scheme) {
    std::optional<uint> portalValue;
    if (scheme) portalValue = *scheme == Appearance::Scheme::dark ? 1u : 2u;
    Appearance::shared().applyPortalColorScheme(portalValue);
}

// Animations turned off on the desktop (true), on (false), or nothing said.
inline void reduceMotion(std::optional<bool> reduce) {
    std::optional<bool> animationsEnabled;
    if (reduce) animationsEnabled = !*reduce;
    Appearance::shared().applyPortalAnimationsEnabled(animationsEnabled);
}

} // namespace meterix::test
