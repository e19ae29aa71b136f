#pragma once

#include "shell/MultiProviderBarView.h"

#include <chrono>
#include <functional>
#include <memory>

class QApplication;

namespace meterix {

class AccountRegistry;
class Appearance;
class AccountUsageStore;
class AppDelegate;
class AppInstanceChannel;
class BarSelection;
class FloatingPanelController;
class Localization;
class MenuBarNavigator;
class MenuBarPanelController;
class MeterixPreferences;
class ProviderManager;
class ScreenPlacementEngine;
class SoundEffectsEngine;

// The running app, built in named steps: the services first, then the
// refresh, then the surfaces that show it (the floating bar, the status item
// and its panel), then the ways out. Everything it builds lives for the whole
// process; threads it starts are stopped by the quit sequence, never by
// static destruction.
class AppComposition {
public:
    // instance: the single-instance channel, given back on a lost display.
    AppComposition(QApplication& app, std::unique_ptr<AppInstanceChannel>& instance);
    ~AppComposition();
    AppComposition(const AppComposition&) = delete;
    AppComposition& operator=(const AppComposition&) = delete;

    // Shows the bar and the status item once the event loop runs.
    void launchWhenRunning();

private:
    struct Services {
        MeterixPreferences* preferences = nullptr;
        Localization* localization = nullptr;
        Appearance* appearance = nullptr;
        SoundEffectsEngine* sounds = nullptr;
        AccountRegistry* registry = nullptr;
        AccountUsageStore* store = nullptr;
        ProviderManager* manager = nullptr;
    };

    void startServices();
    void startRefresh();
    void composeFloatingBar();
    MultiProviderBarView::CatViewFactory catViews();
    BarServices barServices() const;
    void composeBarPanel();
    void composeStatusPanel();
    void connectStatusPanel();
    void connectQuitPaths();

    QApplication& app_;
    std::unique_ptr<AppInstanceChannel>& instance_;
    Services services_;
    ScreenPlacementEngine* screens_ = nullptr;
    BarSelection* selection_ = nullptr;
    FloatingPanelController* bar_ = nullptr;
    std::unique_ptr<AppDelegate> delegate_;
    MenuBarPanelController* panelController_ = nullptr;
    MenuBarNavigator* navigator_ = nullptr;
};

} // namespace meterix
