#include "core/ProviderDescriptor.h"
#include "providers/ollama/OllamaAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/ollama/OllamaTexts.inc"
#include "core/RoomTextLookup.inc"

// A model the server lists without a name.
std::optional<L10n> labelWord(QStringView word) {
    if (word == u"unnamedModel") return texts::unnamedModel();
    return std::nullopt;
}

// Its figures come from its local server: the guidance names the address asked.
std::optional<UsageUnavailableNotice> serverDownNotice(const ProviderDescriptor&, const SetupLookup& lookup) {
    if (lookup.address.isEmpty()) return std::nullopt;
    return UsageUnavailableNotice{L10n::guidanceHeaderLocalServer().text(), texts::serverDownTitle().text(),
                                  texts::serverDownDetail(lookup.address).text()};
}

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<OllamaAdapter>(
        *s.transport, OllamaAdapter::serverAddress(s.environment(QStringLiteral("OLLAMA_HOST"))), *s.runner,
        *s.clock);
}

} // namespace

const ProviderDescriptor& ollamaProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::ollama,
        .rawValue = "ollama",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "server.rack",
        .makeAdapter = &makeAdapter,
        .clientCommand = "ollama",
        .readingSource = ReadingSourceWords{FetchStrategy::cliStatusProbe, &L10n::readViaLocalService},
        .setupNotice = &serverDownNotice,
        .labelWord = &labelWord,
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
