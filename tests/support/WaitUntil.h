#pragma once

#include <functional>

namespace meterix::test {

// How long a wait for something that is bound to happen may take before the
// test calls it a hang. Far above what any wait takes on a machine loaded many
// times over: a verdict never depends on how busy the machine is, only a real
// hang reaches it.
constexpr int kHangLimitMs = 60000;

// Runs the calling thread's event loop until condition holds or timeoutMs has
// passed; gives the condition's last answer. For work on other threads and
// queued calls: never a bare sleep.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = kHangLimitMs);

} // namespace meterix::test
