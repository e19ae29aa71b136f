#include "core/ProviderDescriptor.h"
#include "providers/kimi/KimiAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/kimi/KimiTexts.inc"
#include "core/RoomTextLookup.inc"

std::optional<L10n> labelWord(QStringView word) {
    if (word == u"codingPlan") return texts::codingPlan();
    if (word == u"codingPlanKey") return texts::codingPlanKey();
    return std::nullopt;
}

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<KimiAdapter>(*s.transport, QString::fromLatin1(KimiAdapter::kDefaultBaseAddress),
                                         s.host.home, s.environment, *s.clock);
}

} // namespace

const ProviderDescriptor& kimiProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::kimi,
        .rawValue = "kimi",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "moon.stars.fill",
        .makeAdapter = &makeAdapter,
        .labelWord = &labelWord,
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
