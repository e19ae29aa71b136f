#pragma once

// The timers' contract sits with the clocks in core/, where account discovery
// bounds its scans with it too.
#include "core/TimerSource.h"
