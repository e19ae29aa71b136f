#include "core/SoundSwitch.h"

namespace meterix {

std::atomic<bool>& soundSwitch() {
    static std::atomic<bool> enabled{true};
    return enabled;
}

} // namespace meterix
