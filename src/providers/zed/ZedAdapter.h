#pragma once

#include "core/PlatformPaths.h"
#include "core/AIProviderAdapter.h"
#include "core/HostEnvironment.h"

#include <QStringList>

namespace meterix {

// The Zed editor publishes no usage figure that can be read: the adapter finds
// out whether it is installed and shows the assistant model from its settings.
// Reads small files; nothing touches the network. Holds only constants.
class ZedAdapter final : public AIProviderAdapter {
public:
    // Without application paths, those of the platform table for this home.
    explicit ZedAdapter(HostEnvironment host = HostEnvironment::current(),
                        std::optional<QStringList> applicationPaths = std::nullopt);

    // Zed's own installer (the app and its command), distribution packages, then
    // Flathub's launcher for a per-user and a system-wide install.
    static QList<InstallPlace> installPlaces() {
        return {{InstallPlace::Root::home, ".local/zed.app"},
                {InstallPlace::Root::home, ".local/bin/zed"},
                {InstallPlace::Root::absolute, "/usr/bin/zeditor"},
                {InstallPlace::Root::absolute, "/usr/bin/zed"},
                {InstallPlace::Root::home, ".local/share/flatpak/exports/bin/dev.zed.Zed"},
                {InstallPlace::Root::absolute, "/var/lib/flatpak/exports/bin/dev.zed.Zed"}};
    }

    AIProviderType type() const override { return AIProviderType::zed; }
    // The application (its own install, a distribution's command or Flathub's
    // launcher) or one of Zed's settings files exists.
    bool isDetected() const override;
    bool checkAvailability() override { return isDetected(); }
    UsageSnapshot fetchUsage(bool forceSync) override;

    // Where Zed keeps its settings on Linux: <config home>/zed/settings.json,
    // the config home being $XDG_CONFIG_HOME or ~/.config.
    QString zedConfigPath() const;
    // Where Zed from Flathub keeps them: the sandbox's own config home,
    // ~/.var/app/dev.zed.Zed/config/zed/settings.json.
    QString flathubConfigPath() const;
    // agent.default_model.model of a settings file (JSON with comments and
    // trailing commas), else assistant.default_model.model; nothing when empty.
    // The native install's file is asked first, then Flathub's.
    std::optional<QString> configuredModelName() const;

private:
    static std::optional<QString> modelNameIn(const QString& settingsPath);

    HostEnvironment host_;
    QStringList applicationPaths_;
};

} // namespace meterix
