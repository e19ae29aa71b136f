#pragma once

#include "core/Clock.h"
#include "core/UsageSnapshot.h"

#include <QDateTime>

namespace meterix::test {

// A measured reading of one provider's short window, read by its command-line
// client at the given time (the figure clamped as any made reading is).
inline UsageSnapshot measuredReading(AIProviderType provider, double percent, const QDateTime& at) {
    UsageSnapshot::Fields f;
    f.provider = provider;
    f.headlineRemainingPercentage = percent;
    f.lastUpdated = at;
    f.strategyUsed = FetchStrategy::cliStatusProbe;
    return UsageSnapshot(f);
}

// The reset a countdown read with a reading points at: the reading's capture
// plus the seconds; nothing without seconds.
inline std::optional<QDateTime> resetIn(const UsageSnapshot& s, std::optional<double> seconds) {
    return momentAfter(s.capturedAt, seconds);
}

} // namespace meterix::test
