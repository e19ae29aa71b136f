#include "core/ProviderDescriptor.h"
#include "providers/groq/GroqAdapter.h"

namespace meterix {

namespace {

namespace texts {
#define METERIX_ROOM_TEXT METERIX_ROOM_TEXT_FUNCTION
#include "providers/groq/GroqTexts.inc"
#undef METERIX_ROOM_TEXT
} // namespace texts

QList<L10nPair> allTexts() {
    return {
#define METERIX_ROOM_TEXT METERIX_ROOM_TEXT_PAIR
#include "providers/groq/GroqTexts.inc"
#undef METERIX_ROOM_TEXT
    };
}

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
