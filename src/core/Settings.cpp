#include "core/Settings.h"

#include "core/Paths.h"

namespace meterix {

std::shared_ptr<QSettings> appSettings() {
    static const std::shared_ptr<QSettings> settings = std::make_shared<QSettings>(
        joinPath(configHome(), QStringLiteral("Meterix/Meterix.conf")), QSettings::IniFormat);
    return settings;
}

void removeStaleSettingsWindowFrame(QSettings& settings) {
    settings.remove(QStringLiteral("NSWindow Frame com_apple_SwiftUI_Settings_window"));
}

} // namespace meterix
