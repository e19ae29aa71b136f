#include "refresh/AIActivityRuleRegistry.h"
#include "providers/claude/ClaudeProbeFolder.h"
#include "support/HostUnderHome.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace meterix {
namespace {

QList<AIProviderType> providersOf(const QList<ProviderFilterRule>& rules) {
    QList<AIProviderType> out;
    for (const ProviderFilterRule& r : rules)
        out.append(r.provider);
    return out;
}

TEST(AIActivityRuleRegistry, RegistersTheSevenDefaultRulesInOrder) {
    const AIActivityRuleRegistry registry(test::hostUnderHome(QStringLiteral("/home/u")));
    const QList<AIProviderType> expected{AIProviderType::claudeCode, AIProviderType::openAICodex,
                                         AIProviderType::antigravity, AIProviderType::cursor,
                                         AIProviderType::copilot,    AIProviderType::windsurf,
                                         AIProviderType::zed};
    EXPECT_EQ(providersOf(registry.allRules()), expected);
    for (const ProviderFilterRule& rule : registry.allRules()) {
        EXPECT_EQ(rule.burstThreshold, 2);
        EXPECT_FALSE(rule.customEvaluator);
    }
    for (AIProviderType p :
         {AIProviderType::deepseek, AIProviderType::openrouter, AIProviderType::groq, AIProviderType::ollama,
          AIProviderType::mistral, AIProviderType::kimi, AIProviderType::elevenlabs})
        EXPECT_FALSE(registry.rule(p).has_value()) << rawValue(p).toStdString();
}

TEST(AIActivityRuleRegistry, ListsAreKeptAsGiven) {
    const AIActivityRuleRegistry registry(test::hostUnderHome(QStringLiteral("/home/u")));
    EXPECT_EQ(registry.globalBlacklistedExtensions().size(), 12);
    EXPECT_TRUE(registry.globalBlacklistedExtensions().contains(QStringLiteral("ds_store")));
    const QStringList subpaths = registry.globalBlacklistedSubpaths();
    ASSERT_EQ(subpaths.size(), 15);
    EXPECT_EQ(subpaths.first(), QStringLiteral("/cache/"));
    EXPECT_EQ(subpaths.last(), QStringLiteral(".git/"));
    const ProviderFilterRule claude = *registry.rule(AIProviderType::claudeCode);
    EXPECT_TRUE(claude.pathBlacklist.contains(QString::fromLatin1(kClaudeProbeFolderName)));
    // Quotation marks belong to the keywords: they match fragments of JSON lines.
    EXPECT_TRUE(claude.contentBlacklistKeywords.contains(QStringLiteral("subtype\":\"local_command\"")));
    EXPECT_EQ(claude.contentWhitelistKeywords.first(), QStringLiteral("\"role\":\"assistant\""));
    EXPECT_TRUE(registry.rule(AIProviderType::windsurf)->contentWhitelistKeywords.isEmpty());
}

TEST(AIActivityRuleRegistry, ApplicationSupportRootsLiveUnderTheGivenConfigFolder) {
    const AIActivityRuleRegistry registry(test::hostUnderHome(QStringLiteral("/home/u")));
    const ProviderFilterRule claude = *registry.rule(AIProviderType::claudeCode);
    EXPECT_EQ(
        claude.relativeRootPaths,
        (QStringList{QStringLiteral(".claude"), QStringLiteral("/home/u/.config/Claude/claude-code-sessions"),
                     QStringLiteral("/home/u/.config/Claude/local-agent-mode-sessions")}));
    EXPECT_EQ(registry.rule(AIProviderType::cursor)->relativeRootPaths,
              (QStringList{QStringLiteral("/home/u/.config/Cursor"), QStringLiteral(".cursor")}));
    EXPECT_EQ(registry.rule(AIProviderType::antigravity)->relativeRootPaths,
              (QStringList{QStringLiteral(".gemini/antigravity-cli"), QStringLiteral(".gemini")}));
}

TEST(AIActivityRuleRegistry, UpdateRuleChangesOnlyAnExistingRule) {
    AIActivityRuleRegistry registry(test::hostUnderHome(QStringLiteral("/home/u")));
    ProviderFilterRule copy = *registry.rule(AIProviderType::openAICodex);
    copy.relativeRootPaths.append(QStringLiteral("/not-through-update")); // a copy: the registry is untouched
    registry.updateRule(AIProviderType::openAICodex, [](ProviderFilterRule& r) {
        r.relativeRootPaths.append(QStringLiteral("/home/u/.codex-work"));
        r.provider = AIProviderType::zed; // a mutation cannot move a rule to another provider
    });
    EXPECT_EQ(registry.rule(AIProviderType::openAICodex)->relativeRootPaths,
              (QStringList{QStringLiteral(".codex"), QStringLiteral("/home/u/.codex-work")}));
    EXPECT_EQ(registry.rule(AIProviderType::zed)->relativeRootPaths,
              QStringList({QStringLiteral(".config/zed"), QStringLiteral(".var/app/dev.zed.Zed/config/zed")}));

    bool called = false;
    registry.updateRule(AIProviderType::deepseek, [&](ProviderFilterRule&) { called = true; });
    EXPECT_FALSE(called);
    EXPECT_FALSE(registry.rule(AIProviderType::deepseek).has_value());
    EXPECT_EQ(registry.allRules().size(), 7);
}

TEST(AIActivityRuleRegistry, ConcurrentUpdatesAreNotLost) {
    AIActivityRuleRegistry registry(test::hostUnderHome(QStringLiteral("/home/u")));
    constexpr int kThreads = 8;
    constexpr int kEach = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&registry, t] {
            for (int i = 0; i < kEach; ++i) {
                registry.updateRule(AIProviderType::claudeCode, [&](ProviderFilterRule& r) {
                    r.relativeRootPaths.append(QStringLiteral("/p/%1/%2").arg(t).arg(i));
                });
                // Readers run alongside the writers.
                (void)registry.allRules();
                (void)registry.rule(AIProviderType::claudeCode);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(registry.rule(AIProviderType::claudeCode)->relativeRootPaths.size(), 3 + kThreads * kEach);
}

} // namespace
} // namespace meterix
