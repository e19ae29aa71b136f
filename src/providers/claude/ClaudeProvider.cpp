#include "accounts/AccountResolver.h"
#include "core/ProviderDescriptor.h"
#include "providers/claude/ClaudeAccountResolver.h"
#include "providers/claude/ClaudeActivityRule.h"
#include "providers/claude/ClaudeCodeAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/claude/ClaudeTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<ClaudeCodeAdapter>(s.host, *s.runner, *s.probeGate, *s.clock);
}

std::shared_ptr<AccountResolver> makeAccountResolver(const ProviderServices& s) {
    return std::make_shared<ClaudeAccountResolver>(s.host, *s.clock);
}

} // namespace

const ProviderDescriptor& claudeProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::claudeCode,
        .rawValue = "claude",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "sparkle",
        .statusPage = "https://status.anthropic.com/",
        .dashboard = "https://claude.ai/settings/billing",
        .onByDefault = true,
        .makeAdapter = &makeAdapter,
        .makeAccountResolver = &makeAccountResolver,
        .activityRule = [](const HostEnvironment& host) { return claudeActivityRule(host); },
        .clientCommand = "claude",
        .probeKeyPrefix = "claude",
        .clientVariablePrefixes = {QStringLiteral("CLAUDE_"), QStringLiteral("ANTHROPIC_")},
        .desktopApps = {{QStringLiteral("com.anthropic.claudefordesktop"),
                         {QStringLiteral("claude-desktop")}}},
        .profileFolderPrefix = ".claude",
        .setupNotice = [](const ProviderDescriptor& p,
                          const SetupLookup& lookup) { return notSignedInNotice(p, lookup); },
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
