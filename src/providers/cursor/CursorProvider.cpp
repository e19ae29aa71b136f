#include "accounts/AccountResolver.h"
#include "core/ProviderDescriptor.h"
#include "providers/cursor/CursorAccountResolver.h"
#include "providers/cursor/CursorActivityRule.h"
#include "providers/cursor/CursorAdapter.h"

namespace meterix {

namespace {

#define METERIX_ROOM_TEXTS "providers/cursor/CursorTexts.inc"
#include "core/RoomTextLookup.inc"

std::shared_ptr<AIProviderAdapter> makeAdapter(const ProviderServices& s) {
    return std::make_shared<CursorAdapter>(
        s.host.home, PlatformPaths::paths(CursorAdapter::installPlaces(), s.host.home, s.host.configHome));
}

std::shared_ptr<AccountResolver> makeAccountResolver(const ProviderServices& s) {
    return std::make_shared<CursorAccountResolver>(s.host, *s.clock);
}

} // namespace

const ProviderDescriptor& cursorProvider() {
    static const ProviderDescriptor descriptor{
        .type = AIProviderType::cursor,
        .rawValue = "cursor",
        .displayName = &texts::displayName<>,
        .shortName = &texts::shortName<>,
        .symbol = "cursorarrow",
        .statusPage = "https://status.cursor.com/",
        .dashboard = "https://cursor.com/settings",
        .makeAdapter = &makeAdapter,
        .makeAccountResolver = &makeAccountResolver,
        .activityRule = [](const HostEnvironment& host) { return cursorActivityRule(host); },
        .installs = CursorAdapter::installPlaces(),
        .desktopApps = {{QStringLiteral("com.todesktop.230313mzl4w4u92"),
                         {QStringLiteral("cursor"), QStringLiteral("Cursor")}}},
        .setupNotice = [](const ProviderDescriptor& p,
                          const SetupLookup& lookup) { return notDetectedNotice(p, lookup); },
        .texts = &allTexts,
    };
    return descriptor;
}

} // namespace meterix
