#include "core/ProviderDescriptor.h"
#include "providers/deepseek/DeepSeekAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/deepseek/DeepSeekTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<DeepSeekAdapter>(*s.transport,
                                             QString::fromLatin1(DeepSeekAdapter::kDefaultBaseAddress),
                                             s.host.home, s.environment, *s.clock);
}

} // namespace

const ProviderDescriptor& deepseekProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::deepseek,
        .rawValue = "deepseek",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "fish",
        .statusPage = "https://status.deepseek.com/",
        .dashboard = "https://platform.deepseek.com/usage",
        .makeAdapter = &makeAdapter,
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
