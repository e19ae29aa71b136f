#include "providers/copilot/CopilotActivityRule.h"

namespace meterix {

ProviderFilterRule copilotActivityRule(const HostEnvironment&) {
    return {
        .provider = AIProviderType::copilot,
        .relativeRootPaths = activityWords({".config/github-copilot"}),
        .pathBlacklist = activityWords({"telemetry", "hosts.json"}),
        .pathWhitelist = activityWords({"logs", "chat", "conversations"}),
        .contentBlacklistKeywords = activityWords({"auth", "token", "ping"}),
        .contentWhitelistKeywords = activityWords({"completion", "assistant"}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    };
}

} // namespace meterix
