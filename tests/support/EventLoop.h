#pragma once

#include <functional>

namespace meterix::test {

// Runs the calling thread's event loop until condition holds or the deadline
// passes; true when it held. For results that other threads queue to this one.
bool spinEventLoopUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

} // namespace meterix::test
