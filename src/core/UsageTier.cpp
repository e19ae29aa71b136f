#include "core/UsageTier.h"

#include "core/L10n.h"

#include <cmath>

namespace meterix {

namespace {
struct TierEntry {
    const char* raw;
    uint32_t start;
    uint32_t end;
    L10n (*label)();
    const char* symbol;
};
constexpr TierEntry kTiers[] = {
    {"abundant", 0x28CD41, 0x188028, &L10n::tierAbundant, "bolt.fill"},
    {"steady", 0x0A84FF, 0x0050C7, &L10n::tierSteady, "checkmark.circle.fill"},
    {"caution", 0xFF9F0A, 0xC25B00, &L10n::tierCaution, "exclamationmark.triangle.fill"},
    {"critical", 0xFF453A, 0xB31B1B, &L10n::tierCritical, "hourglass"},
};
const TierEntry& entry(UsageTier t) {
    return kTiers[static_cast<int>(t)];
}
} // namespace

QString rawValue(UsageTier t) {
    return QString::fromLatin1(entry(t).raw);
}

UsageTier usageTierFrom(double p) {
    if (std::isnan(p) || p >= 100) return UsageTier::abundant;
    if (p < 0) return UsageTier::critical;
    if (p >= 75) return UsageTier::abundant;
    if (p >= 45) return UsageTier::steady;
    if (p >= 20) return UsageTier::caution;
    return UsageTier::critical;
}

QList<Rgb> gradient(UsageTier t) {
    return {Rgb::fromHex(entry(t).start), Rgb::fromHex(entry(t).end)};
}
Rgb accent(UsageTier t) {
    return Rgb::fromHex(entry(t).start);
}

QString label(UsageTier t) {
    return entry(t).label().text();
}

QString symbol(UsageTier t) {
    return QString::fromLatin1(entry(t).symbol);
}

namespace UsageColorTheme {
UsageTier tier(double percentage) {
    return usageTierFrom(percentage);
}
QList<Rgb> gradientColors(double percentage) {
    return gradient(usageTierFrom(percentage));
}
} // namespace UsageColorTheme

} // namespace meterix
