#include "providers/claude/ClaudeActivityRule.h"

#include "core/Paths.h"
#include "providers/claude/ClaudeProbeFolder.h"

namespace meterix {

ProviderFilterRule claudeActivityRule(const HostEnvironment& host) {
    // Claude's desktop sessions have no Linux home of their own yet: they go
    // where Electron apps keep their data.
    const auto appFolder = [&](const char* relative) {
        return joinPath(host.configHome, QString::fromUtf8(relative));
    };
    return {
        .provider = AIProviderType::claudeCode,
        .relativeRootPaths = {QStringLiteral(".claude"), appFolder("Claude/claude-code-sessions"),
                              appFolder("Claude/local-agent-mode-sessions")},
        .pathBlacklist =
            activityWords({"/cache/", "projects_metadata", "cost_", ".session.lock", kClaudeProbeFolderName}),
        .pathWhitelist = activityWords({"messages", "transcripts", "projects", "conversation",
                                        "claude-code-sessions", "local-agent-mode-sessions"}),
        .contentBlacklistKeywords = activityWords(
            {"<command-name>/usage", "<command-name>/cost", "<command-name>/help",
             "subtype\":\"local_command\"", "\"local_command\"", "local-command-caveat", "\"isMeta\":true"}),
        .contentWhitelistKeywords = activityWords(
            {"\"role\":\"assistant\"", "\"type\":\"assistant\"", "\"role\":\"user\"", "\"type\":\"user\""}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    };
}

} // namespace meterix
