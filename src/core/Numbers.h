#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>

namespace meterix {

// Converts to an integer by truncation toward zero, saturating at [lo, hi];
// NaN gives 0 clamped into the range. Never undefined behaviour.
int64_t saturatingInt64(double value, double lo = -9.2e18, double hi = 9.2e18);

// A decimal number from text, accepted only when the whole (trimmed) text is a
// finite number: "nan", "inf", "1e400", "" and trailing junk give nothing.
std::optional<double> parseFiniteDouble(QStringView text);

// A plain decimal as JSON writers put numbers into strings ("17.25", "-3"): an
// optional sign, digits, an optional fraction; nothing else (no exponent, no
// blanks, at most 40 characters), and finite.
std::optional<double> parsePlainDecimal(QStringView text);

// Clamps into 0...100; not-a-number gives 100 (a reading that cannot be classified
// counts as untouched).
double clampPercentage(double value);

// The largest countdown any text shows (about 31,700 years); values beyond it
// are taken as this.
inline constexpr double kMaxCountdownSeconds = 1e12;

// Whole seconds of a countdown: NaN and negatives give 0, huge values are capped.
int64_t wholeCountdownSeconds(double seconds);

// The largest percentage a view shows as a figure; readings beyond it (a decoded
// store keeps what it was given) are shown as this.
inline constexpr double kMaxDisplayedPercent = 999;

// How a reading becomes the whole number a view shows: nothing when it is not a
// finite number (the view shows noFigureText() instead), else held to [lo, hi]
// before converting, so no reading can overflow the conversion.
enum class DisplayRounding { halfAwayFromZero, towardZero };
std::optional<int64_t> displayInteger(double value, double lo, double hi, DisplayRounding rounding);

// A remaining percentage as shown: rounded half away from zero, held to
// [-999, 999].
std::optional<int64_t> displayedPercent(double percentage);

// A countdown as shown: whole seconds (truncated), held to [0, kMaxCountdownSeconds].
std::optional<int64_t> displayedCountdownSeconds(double seconds);

// What a view shows where a figure cannot be trusted or is not a number.
inline QString noFigureText() { return QStringLiteral("---"); }

} // namespace meterix
