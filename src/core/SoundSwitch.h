#pragma once

#include <atomic>

namespace meterix {

// The one switch of the sound-and-haptics engine. It lives here so the
// preferences can set it whether or not the engine exists yet; the engine reads
// it on every sound. True until the preferences say otherwise.
std::atomic<bool>& soundSwitch();

} // namespace meterix
