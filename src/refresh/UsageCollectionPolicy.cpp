#include "refresh/UsageCollectionPolicy.h"

namespace meterix {

bool UsageCollectionPolicy::allowsCollection() const {
    if (isSleeping) return false;
    if (now() < resumeAfter) return false;
    if (isLidClosed() && !isDocked()) return false;
    return true;
}

} // namespace meterix
