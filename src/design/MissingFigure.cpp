#include "design/MissingFigure.h"

#include "core/Numbers.h"
#include "design/Surface.h"

namespace meterix {

std::optional<UsageUnavailableReason> missingFigureReason(const UsageSnapshot& s) {
    if (s.isSimulated()) return s.unavailableReason.value_or(UsageUnavailableReason::notConfigured);
    if (!displayedPercent(s.headlineRemainingPercentage)) return UsageUnavailableReason::malformedResponse;
    return std::nullopt;
}

bool countsAsConnected(const UsageSnapshot& s) {
    const auto missing = missingFigureReason(s);
    return !missing || meansSignedIn(*missing);
}

std::optional<UsageTier> ambientTier(const QList<AIProviderType>& activeProviders,
                                     const QHash<AIProviderType, UsageSnapshot>& readings, const QDateTime& now) {
    std::optional<double> lowest;
    for (AIProviderType p : activeProviders) {
        const auto it = readings.constFind(p);
        if (it == readings.constEnd() || missingFigureReason(*it) || it->isHeadlineWindowElapsed(now)) continue;
        if (!lowest || it->headlineRemainingPercentage < *lowest) lowest = it->headlineRemainingPercentage;
    }
    if (!lowest) return std::nullopt;
    return usageTierFrom(*lowest);
}

QColor ambientTint(const std::optional<UsageTier>& tier) {
    return tier ? toQColor(gradient(*tier).first()) : withOpacity(LabelColor::secondary(), 0.15);
}

QList<QColor> missingFigureTileColors() {
    return {withOpacity(LabelColor::secondary(), 0.4), withOpacity(LabelColor::secondary(), 0.2)};
}

} // namespace meterix
