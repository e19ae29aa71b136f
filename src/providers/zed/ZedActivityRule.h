#pragma once

#include "core/HostEnvironment.h"
#include "core/ProviderFilterRule.h"

namespace meterix {

// How Zed's own writes under its folders are told apart from housekeeping.
ProviderFilterRule zedActivityRule(const HostEnvironment& host);

} // namespace meterix
