#pragma once

#include <QList>
#include <QString>

#include <cstdint>

namespace meterix {

// A colour as sRGB components in 0...1, opaque. The UI turns it into a QColor;
// core stays free of QtGui.
struct Rgb {
    double red = 0;
    double green = 0;
    double blue = 0;
    double opacity = 1.0;
    // Bits 16-23 red, 8-15 green, 0-7 blue; anything above bit 23 is ignored.
    static constexpr Rgb fromHex(uint32_t hex) {
        return Rgb{((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0, 1.0};
    }
    bool operator==(const Rgb&) const = default;
};

enum class UsageTier { abundant, steady, caution, critical };

QString rawValue(UsageTier t);
// Classifies a remaining percentage; each lower bound (75, 45, 20) belongs to
// the higher tier; NaN and 100 or more are abundant, below 0 critical.
UsageTier usageTierFrom(double percentage);
// Always two colours: start, end.
QList<Rgb> gradient(UsageTier t);
Rgb accent(UsageTier t);
QString label(UsageTier t);
QString symbol(UsageTier t);

namespace UsageColorTheme {
UsageTier tier(double percentage);
QList<Rgb> gradientColors(double percentage);
} // namespace UsageColorTheme

} // namespace meterix
