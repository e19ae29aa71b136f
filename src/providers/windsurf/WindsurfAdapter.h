#pragma once

#include "core/PlatformPaths.h"
#include "core/AIProviderAdapter.h"
#include "core/Paths.h"

#include <QStringList>

namespace meterix {

// The Windsurf editor publishes no usage figure that can be read: the adapter
// finds out whether it is installed and shows the plan from Codeium's settings.
// Reads small files; nothing touches the network. Holds only constants.
class WindsurfAdapter final : public AIProviderAdapter {
public:
    // Without application paths, those of the platform table for this home.
    explicit WindsurfAdapter(QString homeDirectory = homeFolder(),
                             std::optional<QStringList> applicationPaths = std::nullopt);

    // The package's folder (an archive goes wherever its user unpacks it), then
    // the user data every install keeps.
    static QList<InstallPlace> installPlaces() {
        return {{InstallPlace::Root::absolute, "/usr/share/windsurf"},
                {InstallPlace::Root::configHome, "Windsurf"},
                {InstallPlace::Root::home, ".codeium/windsurf"}};
    }

    AIProviderType type() const override { return AIProviderType::windsurf; }
    // The application, its user data folders, Codeium's config file or its
    // database exists.
    bool isDetected() const override;
    bool checkAvailability() override { return isDetected(); }
    UsageSnapshot fetchUsage(bool forceSync) override;

    QString codeiumConfigPath() const;
    QString codeiumDatabasePath() const;
    // "Windsurf " and the capitalised plan of ~/.codeium/config.json, or nothing.
    std::optional<QString> readPlanName() const;

private:
    QString homeDirectory_;
    QStringList applicationPaths_;
};

} // namespace meterix
