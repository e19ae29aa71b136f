#pragma once

#include "core/HostEnvironment.h"
#include "core/ProviderFilterRule.h"

namespace meterix {

// How Cursor's own writes under its folders are told apart from housekeeping.
ProviderFilterRule cursorActivityRule(const HostEnvironment& host);

} // namespace meterix
