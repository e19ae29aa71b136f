#include "panels/BusySpinState.h"

namespace meterix {

bool BusySpinState::setBusy(bool busy) {
    if (busy == busy_) return false;
    busy_ = busy;
    const bool was = spinning_;
    spinning_ = busy;
    return was != spinning_;
}

} // namespace meterix
