#include "providers/windsurf/WindsurfAdapter.h"

#include "core/Json.h"
#include "core/PlatformPaths.h"
#include "core/SafeFile.h"
#include "core/TextUtil.h"
#include "providers/common/ApiKeySource.h"

namespace meterix {

WindsurfAdapter::WindsurfAdapter(QString homeDirectory, std::optional<QStringList> applicationPaths)
    : homeDirectory_(std::move(homeDirectory)),
      applicationPaths_(applicationPaths ? std::move(*applicationPaths)
                                         : PlatformPaths::paths(installPlaces(), homeDirectory_, configHome())) {}

QString WindsurfAdapter::codeiumConfigPath() const {
    return joinPath(homeDirectory_, QStringLiteral("/.codeium/config.json"));
}

QString WindsurfAdapter::codeiumDatabasePath() const {
    return joinPath(homeDirectory_, QStringLiteral("/.codeium/database.sqlite"));
}

bool WindsurfAdapter::isDetected() const {
    return PlatformPaths::anyExists(applicationPaths_) || exists(codeiumConfigPath()) || exists(codeiumDatabasePath());
}

std::optional<QString> WindsurfAdapter::readPlanName() const {
    const auto bytes = readRegularFile(codeiumConfigPath(), kSettingsFileReadCap);
    const auto config = bytes ? json::parseObject(*bytes) : std::nullopt;
    const auto user = config ? json::object(*config, QLatin1String("user")) : std::nullopt;
    const auto plan = user ? json::string(*user, QLatin1String("plan")) : std::nullopt;
    if (!plan || plan->isEmpty()) return std::nullopt;
    return QStringLiteral("Windsurf ") + capitalizeWords(*plan);
}

UsageSnapshot WindsurfAdapter::fetchUsage(bool) {
    return UsageSnapshot::unavailable(AIProviderType::windsurf,
                                      isDetected() ? UsageUnavailableReason::notMeasured
                                                   : UsageUnavailableReason::notConfigured,
                                      std::nullopt, readPlanName());
}

} // namespace meterix
