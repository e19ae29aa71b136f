#pragma once

#include "core/Clock.h"
#include "panels/ConnectedProviders.h"
#include "refresh/PresentedState.h"

#include <QUrl>

#include <functional>

namespace meterix {

class AccountRegistry;
class Appearance;
class Localization;
class MenuBarNavigator;
class MeterixPreferences;
class ProviderManager;

// What the panel's screens work with. The panel's root builds one and hands it
// to the factory of every screen it registers; a screen keeps the pointers (the
// objects outlive the panel). Any of them but the look and the language may be
// missing in a test.
struct MenuScreenContext {
    ProviderManager* manager = nullptr;
    MeterixPreferences* preferences = nullptr;
    AccountRegistry* accounts = nullptr;
    MenuBarNavigator* navigator = nullptr;
    const Clock* clock = &Clock::system();
    // Ends the application (the quit command and its key).
    std::function<void()> quit;
    // The look and the language the screens follow: the composition root
    // hands the process's own.
    Appearance* appearance = nullptr;
    Localization* localization = nullptr;
    // Opens a link with the desktop's handler; false when nothing could.
    std::function<bool(const QUrl&)> openLink = defaultOpenLink;
    static bool defaultOpenLink(const QUrl& url);

    // The manager's published state as the screens show it, masking applied
    // (empty without a manager).
    PresentedState presentedState() const;
    // One provider's accounts as its screen shows them (none without a manager).
    PresentedAccounts presentedAccounts(AIProviderType provider) const;
    // The places accounts were found, as shown (none without a registry).
    QList<AccountSource> presentedSources() const;
    // Who the user is connected to among the providers on the bar, by the one
    // rule the header and the settings share (none without a manager).
    ConnectedProviders connected(const PresentedState& state) const;
};

} // namespace meterix
