#pragma once

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

} // namespace meterix::test
