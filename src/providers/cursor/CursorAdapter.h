#pragma once

#include "core/PlatformPaths.h"
#include "core/AIProviderAdapter.h"
#include "core/Locked.h"
#include "core/Paths.h"

#include <QStringList>

namespace meterix {

// The Cursor editor publishes no usage figure that can be read: the adapter only
// finds out whether it is installed. Nothing touches the network.
class CursorAdapter final : public AIProviderAdapter {
public:
    // Without support folders, those of the platform table for this home.
    explicit CursorAdapter(QString homeDirectory = homeFolder(),
                           std::optional<QStringList> supportFolders = std::nullopt);

    // Where its support folder lies on Linux.
    static QList<InstallPlace> installPlaces() { return {{InstallPlace::Root::configHome, "Cursor"}}; }

    AIProviderType type() const override { return AIProviderType::cursor; }
    // The result of the last check or fetch; false before the first.
    bool isDetected() const override { return detected_.get(); }
    bool checkAvailability() override;
    // A snapshot without figures: notMeasured when installed, else notConfigured.
    UsageSnapshot fetchUsage(bool forceSync) override;

private:
    Locked<bool> detected_{false};
    QString homeDirectory_;
    QStringList supportFolders_;
};

} // namespace meterix
