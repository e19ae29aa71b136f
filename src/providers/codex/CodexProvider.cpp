#include "accounts/AccountResolver.h"
#include "core/Paths.h"
#include "core/ProviderDescriptor.h"
#include "providers/codex/CodexAccountResolver.h"
#include "providers/codex/CodexActivityRule.h"
#include "providers/codex/OpenAI_CodexAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/codex/CodexTexts.inc"
#include "core/RoomTextLookup.inc"

CodexAccountResolver::Environment environmentOf(const ProviderServices& s) {
    CodexAccountResolver::Environment environment;
    environment.homeFolder = s.host.home;
    environment.codexHome = s.environment(QStringLiteral("CODEX_HOME"));
    environment.desktopAppFolder =
        joinPath(s.host.configHome, QString::fromLatin1(CodexAccountResolver::kDesktopAppID));
    return environment;
}

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<OpenAI_CodexAdapter>(*s.identityLedger, environmentOf(s), *s.clock);
}

std::shared_ptr<AccountResolver> makeAccountResolver(const ProviderServices& s) {
    return std::make_shared<CodexAccountResolver>(environmentOf(s), *s.identityLedger, *s.clock);
}

} // namespace

const ProviderDescriptor& codexProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::openAICodex,
        .rawValue = "codex",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "curlybraces",
        .statusPage = "https://status.openai.com/",
        .dashboard = "https://platform.openai.com/usage",
        .onByDefault = true,
        .makeAdapter = &makeAdapter,
        .makeAccountResolver = &makeAccountResolver,
        .activityRule = [](const HostEnvironment& host) { return codexActivityRule(host); },
        .clientCommand = "codex",
        .desktopApps = {{QStringLiteral("com.openai.chat"), {}}, {QStringLiteral("com.openai.codex"), {}}},
        .profileFolderPrefix = ".codex",
        .filesOnlyNamedReadings = true,
        .setupNotice = [](const ProviderDescriptor& p,
                          const SetupLookup& lookup) { return notSignedInNotice(p, lookup); },
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
