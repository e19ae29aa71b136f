#include "core/ProviderDescriptor.h"
#include "providers/openrouter/OpenRouterAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/openrouter/OpenRouterTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<OpenRouterAdapter>(*s.transport,
                                               QString::fromLatin1(OpenRouterAdapter::kDefaultBaseAddress),
                                               s.host.home, s.environment, *s.clock);
}

} // namespace

const ProviderDescriptor& openrouterProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::openrouter,
        .rawValue = "openrouter",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "point.3.filled.connected.trianglepath.dotted",
        .statusPage = "https://openrouter.ai/activity",
        .dashboard = "https://openrouter.ai/credits",
        .makeAdapter = &makeAdapter,
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
