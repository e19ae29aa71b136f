#pragma once

#include "core/HostEnvironment.h"
#include "core/ProviderFilterRule.h"

namespace meterix {

// How Codex's own writes under its folders are told apart from housekeeping.
ProviderFilterRule codexActivityRule(const HostEnvironment& host);

} // namespace meterix
