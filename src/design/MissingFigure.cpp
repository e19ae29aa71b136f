#include "design/MissingFigure.h"

#include "core/Numbers.h"

namespace meterix {

std::optional<UsageUnavailableReason> missingFigureReason(const UsageSnapshot& s) {
    if (s.isSimulated()) return s.unavailableReason.value_or(UsageUnavailableReason::notConfigured);
    if (!displayedPercent(s.hourlyRemainingPercentage)) return UsageUnavailableReason::malformedResponse;
    return std::nullopt;
}

} // namespace meterix
