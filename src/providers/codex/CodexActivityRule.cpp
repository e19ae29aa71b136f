#include "providers/codex/CodexActivityRule.h"

namespace meterix {

ProviderFilterRule codexActivityRule(const HostEnvironment&) {
    return {
        .provider = AIProviderType::openAICodex,
        .relativeRootPaths = activityWords({".codex"}),
        .pathBlacklist = activityWords({"cache", "credentials"}),
        .pathWhitelist = activityWords({"sessions", "stream", "chat", "history"}),
        // As JSON strings, not bare words: every token-count line of a rollout
        // holds "total_token_usage", and prose holds "mapping" or "typing".
        .contentBlacklistKeywords = activityWords({"\"usage\"", "\"/usage\"", "\"ping\""}),
        .contentWhitelistKeywords = activityWords({"assistant", "choices", "delta"}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    };
}

} // namespace meterix
