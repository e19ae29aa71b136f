#include "providers/zed/ZedActivityRule.h"

namespace meterix {

ProviderFilterRule zedActivityRule(const HostEnvironment&) {
    return {
        .provider = AIProviderType::zed,
        // The native install's folder, then Flathub's sandboxed one.
        .relativeRootPaths = activityWords({".config/zed", ".var/app/dev.zed.Zed/config/zed"}),
        .pathBlacklist = activityWords({"settings.json", "keymap.json"}),
        .pathWhitelist = activityWords({"conversations", "assistant", "threads"}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    };
}

} // namespace meterix
