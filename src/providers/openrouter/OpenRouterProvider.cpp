#include "core/ProviderDescriptor.h"
#include "providers/openrouter/OpenRouterAdapter.h"

namespace meterix {

namespace {

namespace texts {
#define METERIX_ROOM_TEXT METERIX_ROOM_TEXT_FUNCTION
#include "providers/openrouter/OpenRouterTexts.inc"
#undef METERIX_ROOM_TEXT
} // namespace texts

QList<L10nPair> allTexts() {
    return {
#define METERIX_ROOM_TEXT METERIX_ROOM_TEXT_PAIR
#include "providers/openrouter/OpenRouterTexts.inc"
#undef METERIX_ROOM_TEXT
    };
}

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
