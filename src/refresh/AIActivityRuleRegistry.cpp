#include "refresh/AIActivityRuleRegistry.h"

#include "core/ClaudeProbeFolder.h"
#include "core/Paths.h"
#include "core/PlatformPaths.h"

#include <algorithm>

namespace meterix {

namespace {

QStringList list(std::initializer_list<const char*> items) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(items.size()));
    for (const char* item : items)
        out.append(QString::fromUtf8(item));
    return out;
}

} // namespace

AIActivityRuleRegistry& AIActivityRuleRegistry::shared() {
    // Leaked on purpose: the watcher thread may still read it during exit.
    static auto* registry = new AIActivityRuleRegistry();
    return *registry;
}

AIActivityRuleRegistry::AIActivityRuleRegistry() : AIActivityRuleRegistry(HostEnvironment::current()) {}

AIActivityRuleRegistry::AIActivityRuleRegistry(const HostEnvironment& host) {
    state_.withValue([](Rules& s) {
        for (const QString& e : list({"lock", "tmp", "temp", "sock", "socket", "pid", "plist", "swp",
                                      "db-journal", "vscdb-journal", "ds_store", "crumb"}))
            s.globalBlacklistedExtensions.insert(e);
        s.globalBlacklistedSubpaths =
            list({"/cache/", "/Cache/", "/telemetry/", "/mcp/", "Code Cache", "GPUCache", "logs/analytics",
                  "Crashpad", "User/globalStorage", "Cookies", "Preferences", "settings.json",
                  ".session.lock", "workspaceStorage", ".git/"});
    });

    // Claude's desktop sessions have no Linux home of their own yet: they go
    // where Electron apps keep their data.
    const auto appFolder = [&](const char* relative) {
        return joinPath(host.configHome, QString::fromUtf8(relative));
    };

    registerRule({
        .provider = AIProviderType::claudeCode,
        .relativeRootPaths = {QStringLiteral(".claude"), appFolder("Claude/claude-code-sessions"),
                              appFolder("Claude/local-agent-mode-sessions")},
        .pathBlacklist =
            list({"/cache/", "projects_metadata", "cost_", ".session.lock", kClaudeProbeFolderName}),
        .pathWhitelist = list({"messages", "transcripts", "projects", "conversation", "claude-code-sessions",
                               "local-agent-mode-sessions"}),
        .contentBlacklistKeywords = list({"<command-name>/usage", "<command-name>/cost",
                                          "<command-name>/help", "subtype\":\"local_command\"",
                                          "\"local_command\"", "local-command-caveat", "\"isMeta\":true"}),
        .contentWhitelistKeywords = list(
            {"\"role\":\"assistant\"", "\"type\":\"assistant\"", "\"role\":\"user\"", "\"type\":\"user\""}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    });
    registerRule({
        .provider = AIProviderType::antigravity,
        .relativeRootPaths = list({".gemini/antigravity-cli", ".gemini"}),
        .pathBlacklist = list({".session.lock", "mcp-servers.json", "analytics"}),
        .pathWhitelist = list({"transcript", "brain", "logs", "tasks"}),
        .contentBlacklistKeywords = list({"\"/usage\"", "local_command"}),
        .contentWhitelistKeywords =
            list({"PLANNER_RESPONSE", "USER_INPUT", "USER_EXPLICIT", "tool_calls", "\"role\":\"model\"",
                  "\"source\":\"MODEL\"", "\"source\":\"USER_EXPLICIT\""}),
        .burstWindow = 2.5,
        .burstThreshold = 2,
    });
    registerRule({
        .provider = AIProviderType::cursor,
        .relativeRootPaths =
            PlatformPaths::paths(InstallLocation::cursorSupportFolder, host.home, host.configHome) +
            QStringList{QStringLiteral(".cursor")},
        .pathBlacklist = list({"state.vscdb", "GPUCache", "Crashpad", "logs/analytics"}),
        .pathWhitelist = list({"chat", "aiservice", "composer", "conversations"}),
        .contentBlacklistKeywords = list({"heartbeat", "telemetry", "ping"}),
        .contentWhitelistKeywords = list({"assistant", "generation", "message"}),
        .burstWindow = 2.5,
        .burstThreshold = 2,
    });
    registerRule({
        .provider = AIProviderType::openAICodex,
        .relativeRootPaths = list({".codex"}),
        .pathBlacklist = list({"cache", "credentials"}),
        .pathWhitelist = list({"sessions", "stream", "chat", "history"}),
        // As JSON strings, not bare words: every token-count line of a rollout
        // holds "total_token_usage", and prose holds "mapping" or "typing".
        .contentBlacklistKeywords = list({"\"usage\"", "\"/usage\"", "\"ping\""}),
        .contentWhitelistKeywords = list({"assistant", "choices", "delta"}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    });
    registerRule({
        .provider = AIProviderType::copilot,
        .relativeRootPaths = list({".config/github-copilot"}),
        .pathBlacklist = list({"telemetry", "hosts.json"}),
        .pathWhitelist = list({"logs", "chat", "conversations"}),
        .contentBlacklistKeywords = list({"auth", "token", "ping"}),
        .contentWhitelistKeywords = list({"completion", "assistant"}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    });
    registerRule({
        .provider = AIProviderType::windsurf,
        .relativeRootPaths = list({".codeium"}),
        .pathBlacklist = list({"cache", "analytics"}),
        .pathWhitelist = list({"chat", "logs", "conversations"}),
        .burstWindow = 2.5,
        .burstThreshold = 2,
    });
    registerRule({
        .provider = AIProviderType::zed,
        // The native install's folder, then Flathub's sandboxed one.
        .relativeRootPaths = list({".config/zed", ".var/app/dev.zed.Zed/config/zed"}),
        .pathBlacklist = list({"settings.json", "keymap.json"}),
        .pathWhitelist = list({"conversations", "assistant", "threads"}),
        .burstWindow = 2.0,
        .burstThreshold = 2,
    });
}

void AIActivityRuleRegistry::registerRule(ProviderFilterRule rule) {
    state_.withValue([&](Rules& s) {
        const auto same = [&](const ProviderFilterRule& r) { return r.provider == rule.provider; };
        if (const auto it = std::find_if(s.rules.begin(), s.rules.end(), same); it != s.rules.end())
            *it = std::move(rule);
        else
            s.rules.append(std::move(rule));
        version_.fetch_add(1, std::memory_order_acq_rel);
    });
}

std::optional<ProviderFilterRule> AIActivityRuleRegistry::rule(AIProviderType provider) const {
    return state_.withValue([&](const Rules& s) -> std::optional<ProviderFilterRule> {
        for (const ProviderFilterRule& r : s.rules)
            if (r.provider == provider) return r;
        return std::nullopt;
    });
}

QList<ProviderFilterRule> AIActivityRuleRegistry::allRules() const {
    return state_.withValue([](const Rules& s) { return s.rules; });
}

QSet<QString> AIActivityRuleRegistry::globalBlacklistedExtensions() const {
    return state_.withValue([](const Rules& s) { return s.globalBlacklistedExtensions; });
}

QStringList AIActivityRuleRegistry::globalBlacklistedSubpaths() const {
    return state_.withValue([](const Rules& s) { return s.globalBlacklistedSubpaths; });
}

void AIActivityRuleRegistry::updateRule(AIProviderType provider,
                                        const std::function<void(ProviderFilterRule&)>& mutation) {
    state_.withValue([&](Rules& s) {
        for (ProviderFilterRule& r : s.rules) {
            if (r.provider != provider) continue;
            ProviderFilterRule copy = r;
            mutation(copy);
            copy.provider = provider; // the rule stays filed under its provider
            r = std::move(copy);
            version_.fetch_add(1, std::memory_order_acq_rel);
            return;
        }
    });
}

} // namespace meterix
