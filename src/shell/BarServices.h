#pragma once

namespace meterix {

class Appearance;
class Localization;
class SoundEffectsEngine;

// The app's services the floating bar's views use, handed down by the
// composition root: the look and reduced motion, the language its texts
// follow, and the feedback a tap gives.
struct BarServices {
    Appearance& appearance;
    Localization& localization;
    SoundEffectsEngine& sounds;
};

} // namespace meterix
