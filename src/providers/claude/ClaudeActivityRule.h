#pragma once

#include "core/HostEnvironment.h"
#include "core/ProviderFilterRule.h"

namespace meterix {

// How Claude's own writes under its folders are told apart from housekeeping.
ProviderFilterRule claudeActivityRule(const HostEnvironment& host);

} // namespace meterix
