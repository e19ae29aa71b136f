#include "core/ProviderDescriptor.h"
#include "providers/copilot/CopilotActivityRule.h"
#include "providers/copilot/CopilotAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/copilot/CopilotTexts.inc"
#include "core/RoomTextLookup.inc"

// A GitHub token is asked for in the environment or the editor's sign-in file.
std::optional<UsageUnavailableNotice> tokenMissingNotice(const ProviderDescriptor&,
                                                         const SetupLookup& lookup) {
    if (lookup.variables.isEmpty() || lookup.files.isEmpty()) return std::nullopt;
    return UsageUnavailableNotice{
        L10n::guidanceHeaderGitHubToken().text(), L10n::guidanceTitleTokenMissing().text(),
        texts::tokenMissingDetail(alternativesText(lookup.variables), alternativesText(lookup.files)).text()};
}

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<CopilotAdapter>(*s.transport,
                                            QString::fromLatin1(CopilotAdapter::kDefaultBaseAddress),
                                            s.host.home, s.environment, *s.clock);
}

} // namespace

const ProviderDescriptor& copilotProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::copilot,
        .rawValue = "copilot",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "cpu",
        .statusPage = "https://www.githubstatus.com/",
        .dashboard = "https://github.com/settings/billing",
        .makeAdapter = &makeAdapter,
        .activityRule = [](const HostEnvironment& host) { return copilotActivityRule(host); },
        .readingSource = ReadingSourceWords{FetchStrategy::oauthKeychain, &L10n::readViaGitHubToken},
        .setupNotice = &tokenMissingNotice,
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
