#include "core/ReadingWords.h"
#include "core/ProviderDescriptor.h"

namespace meterix {

QString readingSourceText(FetchStrategy strategy, AIProviderType provider) {
    // A provider may word its own source (a local server, a token it holds).
    if (const auto& own = ProviderCatalogue::of(provider).readingSource; own && own->strategy == strategy)
        return own->words().text();
    switch (strategy) {
    case FetchStrategy::localFileCache:
        return L10n::readViaLocalFiles().text();
    case FetchStrategy::cliStatusProbe:
        return L10n::readViaCLIProbe().text();
    case FetchStrategy::oauthKeychain:
        return L10n::readViaAPIKey().text();
    case FetchStrategy::simulated:
        break;
    }
    return L10n::readViaNothing().text();
}

} // namespace meterix
