#pragma once

#include "core/HostEnvironment.h"
#include "core/ProviderFilterRule.h"

namespace meterix {

// How Copilot's own writes under its folders are told apart from housekeeping.
ProviderFilterRule copilotActivityRule(const HostEnvironment& host);

} // namespace meterix
