#include "providers/ZedAdapter.h"

#include "core/Json.h"
#include "core/PlatformPaths.h"
#include "core/SafeFile.h"
#include "providers/ApiKeySource.h"

namespace meterix {

ZedAdapter::ZedAdapter(QString homeDirectory, std::optional<QStringList> applicationPaths)
    : homeDirectory_(std::move(homeDirectory)),
      applicationPaths_(applicationPaths ? std::move(*applicationPaths)
                                         : PlatformPaths::paths(InstallLocation::zedApplication, homeDirectory_,
                                                                configHome())) {}

QString ZedAdapter::zedConfigPath() const { return joinPath(homeDirectory_, QStringLiteral("/.config/zed/settings.json")); }

bool ZedAdapter::isDetected() const { return PlatformPaths::anyExists(applicationPaths_) || exists(zedConfigPath()); }

std::optional<QString> ZedAdapter::configuredModelName() const {
    const auto bytes = readRegularFile(zedConfigPath(), kSettingsFileReadCap);
    const auto settings = bytes ? json::parseObject(*bytes) : std::nullopt;
    const auto assistant = settings ? json::object(*settings, QLatin1String("assistant")) : std::nullopt;
    const auto model = assistant ? json::object(*assistant, QLatin1String("default_model")) : std::nullopt;
    const auto name = model ? json::string(*model, QLatin1String("model")) : std::nullopt;
    if (!name || name->isEmpty()) return std::nullopt;
    return name;
}

UsageSnapshot ZedAdapter::fetchUsage(bool) {
    const auto model = configuredModelName();
    return UsageSnapshot::unavailable(AIProviderType::zed,
                                      isDetected() ? UsageUnavailableReason::notMeasured
                                                   : UsageUnavailableReason::notConfigured,
                                      std::nullopt,
                                      model ? std::optional(QStringLiteral("Zed AI · ") + *model) : std::nullopt);
}

} // namespace meterix
