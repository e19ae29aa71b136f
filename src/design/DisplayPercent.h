#pragma once

#include <optional>

namespace meterix {

// The largest magnitude a percentage figure shows; readings beyond it (a decoded
// store keeps whatever it was given) are shown as this.
inline constexpr int kMaxDisplayPercent = 9999;

// A remaining percentage as a view shows it: rounded half away from zero and held
// to [-9999, 9999] before converting, so no reading can overflow the conversion;
// nothing when it is not a finite number (the view shows "---" instead).
std::optional<int> displayPercent(double percentage);

} // namespace meterix
