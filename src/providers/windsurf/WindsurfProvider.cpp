#include "core/ProviderDescriptor.h"
#include "providers/windsurf/WindsurfActivityRule.h"
#include "providers/windsurf/WindsurfAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/windsurf/WindsurfTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<WindsurfAdapter>(
        s.host.home, PlatformPaths::paths(WindsurfAdapter::installPlaces(), s.host.home, s.host.configHome));
}

} // namespace

const ProviderDescriptor& windsurfProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::windsurf,
        .rawValue = "windsurf",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "water.waves",
        .makeAdapter = &makeAdapter,
        .activityRule = [](const HostEnvironment& host) { return windsurfActivityRule(host); },
        .installs = WindsurfAdapter::installPlaces(),
        .setupNotice = [](const ProviderDescriptor& p,
                          const SetupLookup& lookup) { return notDetectedNotice(p, lookup); },
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
