#pragma once

#include "refresh/ProviderManager.h"
#include "support/WaitUntil.h"

#include <memory>

namespace meterix::test {

// Waits until the provider's fetch under way has ended, by joining it as any
// caller may: within its cooldown a refresh joins the fetch in flight, or ends
// at once when there is none.
inline bool fetchEnded(ProviderManager& manager, AIProviderType provider) {
    auto ended = std::make_shared<bool>(false);
    manager.refreshProvider(provider, false, [ended] { *ended = true; });
    return waitUntil([&] { return *ended; });
}

} // namespace meterix::test
