#pragma once

#include "core/AIProviderType.h"
#include "core/UsageSnapshot.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <functional>

class QObject;

namespace meterix {

class ProviderManager;

// What the panel's root and overview show, as the provider manager publishes it.
struct MenuPanelState {
    QHash<AIProviderType, UsageSnapshot> snapshots; // the representative reading per provider
    QList<AIProviderType> activeProviders;          // in display order
    QSet<AIProviderType> activeInUseProviders;      // working now
    QSet<AIProviderType> appRunningProviders;       // a desktop app of theirs is open
    bool isRefreshing = false;

    static MenuPanelState of(const ProviderManager& manager);
    // Hands the manager's state to apply after every published change, once per
    // turn of the event loop however many signals one change sends, for as long
    // as receiver lives.
    static void observe(ProviderManager& manager, QObject* receiver,
                        std::function<void(MenuPanelState)> apply);
};

} // namespace meterix
