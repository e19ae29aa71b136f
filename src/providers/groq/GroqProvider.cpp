#include "core/ProviderDescriptor.h"
#include "providers/groq/GroqAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/groq/GroqTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<GroqAdapter>(*s.transport, QString::fromLatin1(GroqAdapter::kDefaultBaseAddress),
                                         s.host.home, s.environment, *s.clock);
}

} // namespace

const ProviderDescriptor& groqProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::groq,
        .rawValue = "groq",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "bolt.fill",
        .statusPage = "https://groqstatus.com/",
        .dashboard = "https://console.groq.com/usage",
        .makeAdapter = &makeAdapter,
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
