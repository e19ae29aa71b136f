#include "core/ReadingWords.h"

namespace meterix {

QString readingSourceText(FetchStrategy strategy, AIProviderType provider) {
    switch (strategy) {
    case FetchStrategy::localFileCache:
        return L10n::readViaLocalFiles().text();
    case FetchStrategy::cliStatusProbe:
        // Ollama's figures come from its local server, not from a probe of a client.
        return (provider == AIProviderType::ollama ? L10n::readViaLocalService() : L10n::readViaCLIProbe()).text();
    case FetchStrategy::oauthKeychain:
        return (provider == AIProviderType::copilot ? L10n::readViaGitHubToken() : L10n::readViaAPIKey()).text();
    case FetchStrategy::simulated:
        break;
    }
    return L10n::readViaNothing().text();
}

} // namespace meterix
