#pragma once

#include "accounts/AccountSource.h"
#include "accounts/ResolvedAccount.h"
#include "core/AIProviderType.h"
#include "core/UsageSnapshot.h"

#include <QHash>
#include <QList>
#include <QSet>

#include <functional>
#include <optional>

class QObject;

namespace meterix {

class AccountRegistry;
class MeterixPreferences;
class ProviderManager;

// The accounts of one provider as its screen shows them.
struct PresentedAccounts {
    QList<ResolvedAccount> accounts;                 // in the registry's order
    std::optional<ResolvedAccount> displayed;        // the account whose figures the bar shows
    QHash<QString, UsageSnapshot> readings;          // the best known reading, by account id
    QSet<QString> running;                           // ids of the accounts at work now
    QHash<QString, QList<AccountSource>> runningApps; // the running apps, by account id
    bool operator==(const PresentedAccounts&) const = default;
};

// What the status-item panel and the bar show of the provider manager's
// published state, as they show it. While the user asks for e-mail addresses to
// be masked, every text in it that comes from outside (the readings, the
// accounts and the places they were found) has its addresses masked here, once,
// whatever fields those records carry: no view decides it again. Those texts
// are cut here too, always, to what a screen can show (shownText, shownPath).
struct PresentedState {
    QHash<AIProviderType, UsageSnapshot> snapshots; // the representative reading per provider
    QList<AIProviderType> activeProviders;          // in display order
    QSet<AIProviderType> activeInUseProviders;      // working now
    QSet<AIProviderType> appRunningProviders;       // a desktop app of theirs is open
    bool isRefreshing = false;

    static PresentedState of(const ProviderManager& manager, bool maskEmails);
    // One provider's accounts, as its screen shows them (only that screen reads
    // them: they are not part of every published state).
    static PresentedAccounts accountsOf(const ProviderManager& manager, AIProviderType provider, bool maskEmails);
    // The masking setting, on without settings.
    static bool masksEmails(const MeterixPreferences* preferences);
    bool operator==(const PresentedState&) const = default;

    // How an observer takes the manager's changes: once per turn of the event
    // loop however many one filing makes, or each as it is made.
    enum class Delivery { coalesced, atOnce };
    // The one way a view observes the manager: hands the state to apply after
    // every published change of the manager or of the masking setting that
    // changes what is shown, for as long as receiver lives.
    static void observe(ProviderManager& manager, const MeterixPreferences* preferences, QObject* receiver,
                        std::function<void(PresentedState)> apply, Delivery delivery = Delivery::coalesced);
    // The same for another part of the manager's published state that a view
    // shows (one provider's accounts, the tools detected): shownNow tells what
    // the view would show now; apply runs when that differs from what it
    // showed, starting from what it shows when it begins to observe.
    template <typename Shown>
    static void observeShown(ProviderManager& manager, const MeterixPreferences* preferences, QObject* receiver,
                             std::function<Shown()> shownNow, std::function<void(const Shown&)> apply,
                             Delivery delivery = Delivery::coalesced) {
        auto shown = std::make_shared<Shown>(shownNow());
        observeChanges(manager, preferences, receiver, [shown, shownNow = std::move(shownNow), apply = std::move(apply)] {
            Shown next = shownNow();
            if (*shown == next) return;
            *shown = std::move(next);
            apply(*shown);
        }, delivery);
    }

    // Every place accounts were found, as shown.
    static QList<AccountSource> sources(const AccountRegistry& registry, bool maskEmails);

    // One record as shown; these are what the state above applies.
    static UsageSnapshot presented(UsageSnapshot snapshot, bool maskEmails);
    static ResolvedAccount presented(ResolvedAccount account, bool maskEmails);
    static AccountSource presented(AccountSource source, bool maskEmails);

private:
    // Runs react after every published change of the manager or of the
    // masking setting, while both the manager and receiver live.
    static void observeChanges(ProviderManager& manager, const MeterixPreferences* preferences, QObject* receiver,
                               std::function<void()> react, Delivery delivery);
};

} // namespace meterix
