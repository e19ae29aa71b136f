#include "providers/windsurf/WindsurfActivityRule.h"

namespace meterix {

ProviderFilterRule windsurfActivityRule(const HostEnvironment&) {
    return {
        .provider = AIProviderType::windsurf,
        .relativeRootPaths = activityWords({".codeium"}),
        .pathBlacklist = activityWords({"cache", "analytics"}),
        .pathWhitelist = activityWords({"chat", "logs", "conversations"}),
        .burstWindow = 2.5,
        .burstThreshold = 2,
    };
}

} // namespace meterix
