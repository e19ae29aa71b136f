#include "providers/cursor/CursorActivityRule.h"

#include "core/PlatformPaths.h"
#include "providers/cursor/CursorAdapter.h"

namespace meterix {

ProviderFilterRule cursorActivityRule(const HostEnvironment& host) {
    return {
        .provider = AIProviderType::cursor,
        .relativeRootPaths =
            PlatformPaths::paths(CursorAdapter::installPlaces(), host.home, host.configHome) +
            QStringList{QStringLiteral(".cursor")},
        .pathBlacklist = activityWords({"state.vscdb", "GPUCache", "Crashpad", "logs/analytics"}),
        .pathWhitelist = activityWords({"chat", "aiservice", "composer", "conversations"}),
        .contentBlacklistKeywords = activityWords({"heartbeat", "telemetry", "ping"}),
        .contentWhitelistKeywords = activityWords({"assistant", "generation", "message"}),
        .burstWindow = 2.5,
        .burstThreshold = 2,
    };
}

} // namespace meterix
