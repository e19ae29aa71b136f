#include "accounts/AccountResolver.h"
#include "core/ProviderDescriptor.h"
#include "providers/antigravity/AntigravityActivityRule.h"
#include "providers/antigravity/AntigravityAdapter.h"
#include "providers/antigravity/GeminiAccountResolver.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/antigravity/AntigravityTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<AntigravityAdapter>(s.host, *s.probeGate, *s.runner, *s.clock);
}

std::shared_ptr<AccountResolver> makeAccountResolver(const ProviderServices& s) {
    return std::make_shared<GeminiAccountResolver>(s.host, *s.clock);
}

} // namespace

const ProviderDescriptor& antigravityProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::antigravity,
        .rawValue = "agy",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "atom",
        .statusPage = "https://status.cloud.google.com/",
        .dashboard = "https://aistudio.google.com",
        .onByDefault = true,
        .makeAdapter = &makeAdapter,
        .makeAccountResolver = &makeAccountResolver,
        .activityRule = [](const HostEnvironment& host) { return antigravityActivityRule(host); },
        .clientCommand = "agy",
        .probeKeyPrefix = "agy",
        .clientVariablePrefixes = {QStringLiteral("GEMINI_"), QStringLiteral("GOOGLE_"),
                                   QStringLiteral("ANTIGRAVITY_")},
        .desktopApps = {{QStringLiteral("com.google.antigravity"),
                         {QStringLiteral("antigravity"), QStringLiteral("Antigravity")}},
                        {QStringLiteral("com.google.GeminiMacOS"), {}}},
        .setupNotice = [](const ProviderDescriptor& p,
                          const SetupLookup& lookup) { return notSignedInNotice(p, lookup); },
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
