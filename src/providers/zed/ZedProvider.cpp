#include "core/ProviderDescriptor.h"
#include "providers/zed/ZedActivityRule.h"
#include "providers/zed/ZedAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/zed/ZedTexts.inc"
#include "core/RoomTextLookup.inc"

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
