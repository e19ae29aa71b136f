#include "providers/zed/ZedAdapter.h"

#include "core/Json.h"
#include "core/JsonStreamReader.h"
#include "core/Paths.h"
#include "core/PlatformPaths.h"
#include "core/SafeFile.h"
#include "providers/common/ApiKeySource.h"

namespace meterix {

ZedAdapter::ZedAdapter(HostEnvironment host, std::optional<QStringList> applicationPaths)
    : host_(std::move(host)),
      applicationPaths_(applicationPaths ? std::move(*applicationPaths)
                                         : PlatformPaths::paths(installPlaces(), host_.home, host_.configHome)) {}

QString ZedAdapter::zedConfigPath() const { return joinPath(host_.configHome, QStringLiteral("zed/settings.json")); }

QString ZedAdapter::flathubConfigPath() const {
    return joinPath(host_.home, QStringLiteral(".var/app/dev.zed.Zed/config/zed/settings.json"));
}

bool ZedAdapter::isDetected() const {
    return PlatformPaths::anyExists(applicationPaths_) || PlatformPaths::anyExists({zedConfigPath(), flathubConfigPath()});
}

std::optional<QString> ZedAdapter::configuredModelName() const {
    for (const QString& path : {zedConfigPath(), flathubConfigPath()})
        if (auto name = modelNameIn(path)) return name;
    return std::nullopt;
}

std::optional<QString> ZedAdapter::modelNameIn(const QString& settingsPath) {
    const auto bytes = readRegularFile(settingsPath, kSettingsFileReadCap);
    if (!bytes) return std::nullopt;
    // Zed writes its settings with comments (its default file opens with them)
    // and accepts trailing commas.
    const auto settings = JsonStreamReader::read(*bytes, {.syntax = JsonStreamReader::Syntax::lenient});
    if (!settings) return std::nullopt;
    // The setting moved from "assistant" to "agent"; older files keep the former.
    for (const QLatin1String panel : {QLatin1String("agent"), QLatin1String("assistant")}) {
        const auto section = json::object(*settings, panel);
        const auto model = section ? json::object(*section, QLatin1String("default_model")) : std::nullopt;
        const auto name = model ? json::string(*model, QLatin1String("model")) : std::nullopt;
        if (name && !name->isEmpty()) return name;
    }
    return std::nullopt;
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
