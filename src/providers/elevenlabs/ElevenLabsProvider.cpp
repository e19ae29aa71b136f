#include "core/ProviderDescriptor.h"
#include "providers/elevenlabs/ElevenLabsAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/elevenlabs/ElevenLabsTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<ElevenLabsAdapter>(*s.transport,
                                               QString::fromLatin1(ElevenLabsAdapter::kDefaultBaseAddress),
                                               s.host.home, s.environment, *s.clock);
}

} // namespace

const ProviderDescriptor& elevenlabsProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::elevenlabs,
        .rawValue = "elevenlabs",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "waveform",
        .makeAdapter = &makeAdapter,
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
