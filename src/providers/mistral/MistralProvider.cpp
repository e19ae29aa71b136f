#include "core/ProviderDescriptor.h"
#include "providers/mistral/MistralAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/mistral/MistralTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<MistralAdapter>(s.host.home, s.environment);
}

} // namespace

const ProviderDescriptor& mistralProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::mistral,
        .rawValue = "mistral",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "wind",
        .statusPage = "https://status.mistral.ai/",
        .makeAdapter = &makeAdapter,
        .setupNotice = [](const ProviderDescriptor& p,
                          const SetupLookup& lookup) { return notDetectedNotice(p, lookup); },
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
