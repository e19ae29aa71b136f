#pragma once

#include <QSettings>

#include <memory>

namespace meterix {

// The app's own settings file, <config home>/Meterix/Meterix.conf: one key per
// setting. Shared by the preferences and the language choice; GUI thread only.
std::shared_ptr<QSettings> appSettings();

// The launch-time clean-up of a key that older settings windows left behind.
void removeStaleSettingsWindowFrame(QSettings& settings);

} // namespace meterix
