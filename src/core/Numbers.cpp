#include "core/Numbers.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace meterix {

int64_t saturatingInt64(double value, double lo, double hi) {
    if (std::isnan(value)) value = 0.0;
    if (value < lo) value = lo;
    if (value > hi) value = hi;
    return static_cast<int64_t>(std::trunc(value));
}

std::optional<double> parseFiniteDouble(QStringView text) {
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty()) return std::nullopt;
    bool ok = false;
    const double v = trimmed.toDouble(&ok); // C locale; rejects trailing junk
    if (!ok || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<double> parsePlainDecimal(QStringView text) {
    constexpr qsizetype kMaxLength = 40;
    if (text.isEmpty() || text.size() > kMaxLength) return std::nullopt;
    qsizetype i = 0;
    if (text[0] == u'+' || text[0] == u'-') ++i;
    const auto digitsFrom = [&](qsizetype from) {
        qsizetype j = from;
        while (j < text.size() && text[j] >= u'0' && text[j] <= u'9')
            ++j;
        return j;
    };
    qsizetype end = digitsFrom(i);
    if (end == i) return std::nullopt;
    if (end < text.size() && text[end] == u'.') {
        const qsizetype fractionEnd = digitsFrom(end + 1);
        if (fractionEnd == end + 1) return std::nullopt;
        end = fractionEnd;
    }
    if (end != text.size()) return std::nullopt;
    return parseFiniteDouble(text);
}

double clampPercentage(double value) {
    if (std::isnan(value)) return 100.0;
    if (value < 0.0) return 0.0;
    if (value > 100.0) return 100.0;
    return value;
}

int64_t wholeCountdownSeconds(double seconds) {
    if (!(seconds > 0.0)) return 0; // NaN and negatives
    return saturatingInt64(seconds, 0.0, kMaxCountdownSeconds);
}

std::optional<int64_t> displayInteger(double value, double lo, double hi, DisplayRounding rounding) {
    if (!std::isfinite(value)) return std::nullopt;
    const double held = std::clamp(value, lo, hi);
    return saturatingInt64(rounding == DisplayRounding::halfAwayFromZero ? std::round(held) : held, lo, hi);
}

std::optional<int64_t> displayedPercent(double percentage) {
    return displayInteger(percentage, -kMaxDisplayedPercent, kMaxDisplayedPercent,
                          DisplayRounding::halfAwayFromZero);
}

std::optional<int64_t> displayedCountdownSeconds(double seconds) {
    return displayInteger(seconds, 0.0, kMaxCountdownSeconds, DisplayRounding::towardZero);
}

} // namespace meterix
