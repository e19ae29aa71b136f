#include "design/MissingFigure.h"

#include "core/Numbers.h"
#include "design/Surface.h"

namespace meterix {

std::optional<UsageUnavailableReason> missingFigureReason(const UsageSnapshot& s) {
    if (s.isSimulated()) return s.unavailableReason.value_or(UsageUnavailableReason::notConfigured);
    if (!displayedPercent(s.hourlyRemainingPercentage)) return UsageUnavailableReason::malformedResponse;
    return std::nullopt;
}

bool countsAsConnected(const UsageSnapshot& s) {
    const auto missing = missingFigureReason(s);
    return !missing || meansSignedIn(*missing);
}

QList<QColor> missingFigureTileColors() {
    return {withOpacity(LabelColor::secondary(), 0.4), withOpacity(LabelColor::secondary(), 0.2)};
}

} // namespace meterix
