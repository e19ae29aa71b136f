#pragma once

#include <functional>

namespace meterix::test {

// Runs the calling thread's event loop until condition holds or timeoutMs has
// passed; gives the condition's last answer. For work on other threads and
// queued calls: never a bare sleep.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

} // namespace meterix::test
