#pragma once

#include "core/Clock.h"

#include <functional>

namespace meterix {

class AccountRegistry;
class MenuBarNavigator;
class MeterixPreferences;
class ProviderManager;

// What the panel's screens work with. The panel's root builds one and hands it
// to the factory of every screen it registers; a screen keeps the pointers (the
// objects outlive the panel). Any of them may be missing in a test.
struct MenuScreenContext {
    ProviderManager* manager = nullptr;
    MeterixPreferences* preferences = nullptr;
    AccountRegistry* accounts = nullptr;
    MenuBarNavigator* navigator = nullptr;
    const Clock* clock = &Clock::system();
    // Ends the application (the quit command and its key).
    std::function<void()> quit;

    // Whether addresses are shown masked (the setting; masked without one).
    bool masksEmails() const;
};

} // namespace meterix
