#include "providers/antigravity/AntigravityActivityRule.h"

namespace meterix {

ProviderFilterRule antigravityActivityRule(const HostEnvironment&) {
    return {
        .provider = AIProviderType::antigravity,
        .relativeRootPaths = activityWords({".gemini/antigravity-cli", ".gemini"}),
        .pathBlacklist = activityWords({".session.lock", "mcp-servers.json", "analytics"}),
        .pathWhitelist = activityWords({"transcript", "brain", "logs", "tasks"}),
        .contentBlacklistKeywords = activityWords({"\"/usage\"", "local_command"}),
        .contentWhitelistKeywords =
            activityWords({"PLANNER_RESPONSE", "USER_INPUT", "USER_EXPLICIT", "tool_calls",
                           "\"role\":\"model\"", "\"source\":\"MODEL\"", "\"source\":\"USER_EXPLICIT\""}),
        .burstWindow = 2.5,
        .burstThreshold = 2,
    };
}

} // namespace meterix
