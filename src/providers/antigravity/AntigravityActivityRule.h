#pragma once

#include "core/HostEnvironment.h"
#include "core/ProviderFilterRule.h"

namespace meterix {

// How Antigravity's own writes under its folders are told apart from housekeeping.
ProviderFilterRule antigravityActivityRule(const HostEnvironment& host);

} // namespace meterix
