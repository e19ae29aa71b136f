#pragma once

#include "core/HostEnvironment.h"
#include "core/ProviderFilterRule.h"

namespace meterix {

// How Windsurf's own writes under its folders are told apart from housekeeping.
ProviderFilterRule windsurfActivityRule(const HostEnvironment& host);

} // namespace meterix
