#pragma once

namespace meterix {

class Appearance;
class Localization;

// The app's services the floating bar's views use, handed down by the
// composition root: the look and reduced motion, and the language its texts
// follow.
struct BarServices {
    Appearance& appearance;
    Localization& localization;
};

} // namespace meterix
