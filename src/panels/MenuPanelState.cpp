#include "panels/MenuPanelState.h"

#include "refresh/ProviderManager.h"

#include <QTimer>

namespace meterix {

MenuPanelState MenuPanelState::of(const ProviderManager& manager) {
    MenuPanelState s;
    s.snapshots = manager.snapshots();
    s.activeProviders = manager.activeProviders();
    s.activeInUseProviders = manager.activeInUseProviders();
    for (AIProviderType p : s.activeProviders)
        if (manager.isAppRunning(p)) s.appRunningProviders.insert(p);
    s.isRefreshing = manager.isRefreshing();
    return s;
}

void MenuPanelState::observe(ProviderManager& manager, QObject* receiver,
                             std::function<void(MenuPanelState)> apply) {
    auto* coalesce = new QTimer(receiver);
    coalesce->setSingleShot(true);
    coalesce->setInterval(0);
    QObject::connect(coalesce, &QTimer::timeout, receiver,
                     [&manager, apply = std::move(apply)] { apply(MenuPanelState::of(manager)); });
    for (auto signal : {&ProviderManager::snapshotsChanged, &ProviderManager::activeProvidersChanged,
                        &ProviderManager::activeInUseProvidersChanged, &ProviderManager::isRefreshingChanged,
                        &ProviderManager::runningAppAccountsChanged})
        QObject::connect(&manager, signal, coalesce, qOverload<>(&QTimer::start));
}

} // namespace meterix
