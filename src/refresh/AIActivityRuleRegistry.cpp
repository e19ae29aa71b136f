#include "refresh/AIActivityRuleRegistry.h"

#include <algorithm>

namespace meterix {

AIActivityRuleRegistry& AIActivityRuleRegistry::shared() {
    // Leaked on purpose: the watcher thread may still read it during exit.
    static auto* registry = new AIActivityRuleRegistry();
    return *registry;
}

AIActivityRuleRegistry::AIActivityRuleRegistry() : AIActivityRuleRegistry(HostEnvironment::current()) {}

AIActivityRuleRegistry::AIActivityRuleRegistry(const HostEnvironment& host,
                                               const QList<const ProviderDescriptor*>& providers) {
    state_.withValue([](Rules& s) {
        for (const QString& e : activityWords({"lock", "tmp", "temp", "sock", "socket", "pid", "plist", "swp",
                                               "db-journal", "vscdb-journal", "ds_store", "crumb"}))
            s.globalBlacklistedExtensions.insert(e);
        s.globalBlacklistedSubpaths =
            activityWords({"/cache/", "/Cache/", "/telemetry/", "/mcp/", "Code Cache", "GPUCache",
                           "logs/analytics", "Crashpad", "User/globalStorage", "Cookies", "Preferences",
                           "settings.json", ".session.lock", "workspaceStorage", ".git/"});
    });

    // Each provider's room knows its own folders and words.
    for (const ProviderDescriptor* p : providers)
        if (p->activityRule) registerRule(p->activityRule(host));
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
