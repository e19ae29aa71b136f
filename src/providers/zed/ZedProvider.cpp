#include "core/ProviderDescriptor.h"
#include "providers/zed/ZedActivityRule.h"
#include "providers/zed/ZedAdapter.h"

namespace meterix {

namespace {

namespace texts {
#define METERIX_ROOM_TEXT METERIX_ROOM_TEXT_FUNCTION
#include "providers/zed/ZedTexts.inc"
#undef METERIX_ROOM_TEXT
} // namespace texts

QList<L10nPair> allTexts() {
    return {
#define METERIX_ROOM_TEXT METERIX_ROOM_TEXT_PAIR
#include "providers/zed/ZedTexts.inc"
#undef METERIX_ROOM_TEXT
    };
}

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<ZedAdapter>(
        s.host, PlatformPaths::paths(ZedAdapter::installPlaces(), s.host.home, s.host.configHome));
}

} // namespace

const ProviderDescriptor& zedProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::zed,
        .rawValue = "zed",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "terminal.fill",
        .makeAdapter = &makeAdapter,
        .activityRule = [](const HostEnvironment& host) { return zedActivityRule(host); },
        .installs = ZedAdapter::installPlaces(),
        .setupNotice = [](const ProviderDescriptor& p,
                          const SetupLookup& lookup) { return notDetectedNotice(p, lookup); },
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
